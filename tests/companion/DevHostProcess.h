// A dev host run as a game server of a cluster: started on a server folder,
// fed its console commands one at a time through a FIFO while it runs, and
// read back from its output. Optionally under strace, for the socket calls
// the game process makes.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace CompanionTests {

class DevHostProcess {
public:
    // Starts DEVHOST_PROGRAM on folder (laid out as a server's); with trace,
    // under `strace -f -e trace=socket,connect -o trace`.
    explicit DevHostProcess(const std::filesystem::path& folder,
                            const std::optional<std::filesystem::path>& trace = std::nullopt);
    ~DevHostProcess();
    DevHostProcess(const DevHostProcess&) = delete;
    DevHostProcess& operator=(const DevHostProcess&) = delete;

    bool Started() const { return input_ >= 0; }
    // One console command, without waiting for it.
    void Send(const std::string& command);
    // The player says text; the audit line it wrote, empty when none came.
    std::string Say(const std::string& player, const std::string& text);
    // Quits and waits; its exit status, -1 when it did not exit.
    int Quit();
    std::string Output() const;

private:
    std::optional<std::string> NextAuditLine(std::chrono::milliseconds timeout);

    std::filesystem::path output_;
    pid_t pid_ = -1;
    int input_ = -1;
    std::size_t auditLinesRead_ = 0;
};

}  // namespace CompanionTests
