#include "tests/companion/MariaDbServer.h"

#include <mysql.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "tests/companion/Processes.h"

namespace CompanionTests {
namespace fs = std::filesystem;

unsigned FreePort() {
    const int probe = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(probe);
    return ntohs(address.sin_port);
}

MariaDbServer::MariaDbServer(fs::path folder, ServerOptions options)
    : folder_(std::move(folder)), options_(std::move(options)), port_(FreePort()) {
    // A socket's path is short (at most 107 bytes): one of its own in the temporary folder.
    socket_ = fs::temp_directory_path() / ("corvane-mariadb-" + std::to_string(port_) + ".sock");
}

MariaDbServer::~MariaDbServer() {
    if (pid_ > 0) {
        Resume();
        Shutdown();
    }
}

bool MariaDbServer::Start() {
    const bool root = ::geteuid() == 0;
    const fs::path data = folder_ / "data";
    if (!fs::exists(data)) {
        fs::create_directories(folder_);
        std::vector<std::string> install{"mariadb-install-db", "--no-defaults", "--datadir=" + data.string(),
                                         "--auth-root-authentication-method=normal", "--skip-test-db"};
        if (root) {
            install.push_back("--user=root");
        }
        if (RunToEnd(install, folder_ / "install.log") != 0) {
            return false;
        }
    }
    std::vector<std::string> arguments{"/usr/sbin/mariadbd",
                                       "--no-defaults",
                                       "--datadir=" + data.string(),
                                       "--socket=" + socket_.string(),
                                       "--port=" + std::to_string(port_),
                                       "--bind-address=127.0.0.1",
                                       "--skip-name-resolve",
                                       "--log-error=" + (folder_ / "error.log").string(),
                                       "--pid-file=" + (folder_ / "mariadb.pid").string(),
                                       "--innodb-buffer-pool-size=64M",
                                       "--innodb-log-file-size=16M",
                                       "--innodb-flush-log-at-trx-commit=2",
                                       "--skip-log-bin"};
    if (root) {
        arguments.push_back("--user=root");
    }
    if (options_.tlsCertificate) {
        arguments.push_back("--ssl-cert=" + options_.tlsCertificate->string());
        arguments.push_back("--ssl-key=" + options_.tlsKey->string());
        arguments.push_back("--ssl-ca=" + options_.tlsCa->string());
        arguments.push_back("--require-secure-transport=ON");
    }
    pid_ = Spawn(arguments, {}, folder_ / "stdout.log");
    for (int attempt = 0; attempt < 300; ++attempt) {
        MYSQL* mysql = mysql_init(nullptr);
        const bool up =
            mysql_real_connect(mysql, nullptr, "root", nullptr, nullptr, 0, socket_.c_str(), 0) != nullptr;
        mysql_close(mysql);
        if (up) {
            return true;
        }
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

void MariaDbServer::Kill() {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

void MariaDbServer::Pause() {
    ::kill(pid_, SIGSTOP);
}

void MariaDbServer::Resume() {
    ::kill(pid_, SIGCONT);
}

void MariaDbServer::Shutdown() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

std::vector<std::string> MariaDbServer::Sql(const std::string& statements) const {
    MYSQL* mysql = mysql_init(nullptr);
    if (mysql_real_connect(mysql, nullptr, "root", nullptr, nullptr, 0, socket_.c_str(),
                           CLIENT_MULTI_STATEMENTS) == nullptr) {
        const std::string error = mysql_error(mysql);
        mysql_close(mysql);
        throw std::runtime_error("can't connect as root: " + error);
    }
    std::vector<std::string> column;
    int status = mysql_real_query(mysql, statements.data(), statements.size());
    while (status == 0) {
        if (MYSQL_RES* result = mysql_store_result(mysql)) {
            column.clear();
            while (MYSQL_ROW row = mysql_fetch_row(result)) {
                column.emplace_back(row[0] != nullptr ? row[0] : "NULL");
            }
            mysql_free_result(result);
        }
        status = mysql_next_result(mysql);
    }
    const std::string error = status > 0 ? mysql_error(mysql) : "";
    mysql_close(mysql);
    if (!error.empty()) {
        throw std::runtime_error(error + " in: " + statements);
    }
    return column;
}

std::string MariaDbServer::ErrorLog() const {
    std::ifstream stream(folder_ / "error.log");
    std::stringstream text;
    text << stream.rdbuf();
    return text.str();
}

}  // namespace CompanionTests
