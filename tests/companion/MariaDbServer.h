// A real MariaDB server for the companion's tests, from Debian's
// mariadb-server-core: its own data folder, a free port on 127.0.0.1 and a
// socket, started as an ordinary process and stopped at the end. Root reaches
// it through the socket without a password.
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace CompanionTests {

struct ServerOptions {
    // With TLS: the server's certificate, key and the CA that signed them.
    std::optional<std::filesystem::path> tlsCertificate, tlsKey, tlsCa;
};

class MariaDbServer {
public:
    explicit MariaDbServer(std::filesystem::path folder, ServerOptions options = {});
    ~MariaDbServer();
    MariaDbServer(const MariaDbServer&) = delete;
    MariaDbServer& operator=(const MariaDbServer&) = delete;

    // Starts it on its data folder (made the first time); false with the log on failure.
    bool Start();
    void Kill();      // SIGKILL, and waits for it
    void Pause();     // SIGSTOP
    void Resume();    // SIGCONT
    void Shutdown();  // SIGTERM, and waits for it
    bool Running() const { return pid_ > 0; }

    unsigned Port() const { return port_; }
    const std::filesystem::path& Socket() const { return socket_; }
    // Runs statements as root; the first column of each row of the last
    // one's result, as text ("NULL" for NULL). Throws on an error.
    std::vector<std::string> Sql(const std::string& statements) const;
    std::string ErrorLog() const;

private:
    std::filesystem::path folder_;
    std::filesystem::path socket_;
    ServerOptions options_;
    unsigned port_ = 0;
    pid_t pid_ = -1;
};

// A port on 127.0.0.1 that nothing listens on now.
unsigned FreePort();

}  // namespace CompanionTests
