#include "tests/companion/DevHostProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <sstream>
#include <thread>
#include <vector>

#include "tests/companion/Processes.h"

namespace CompanionTests {
namespace fs = std::filesystem;
using namespace std::chrono_literals;

DevHostProcess::DevHostProcess(const fs::path& folder, const std::optional<fs::path>& trace)
    : output_(folder / "devhost.log") {
    // A dev host that ends early must fail the test, not end it.
    ::signal(SIGPIPE, SIG_IGN);
    const fs::path fifo = folder / "commands.fifo";
    if (::mkfifo(fifo.c_str(), 0600) != 0) {
        return;
    }
    std::vector<std::string> command, environment;
    if (trace) {
        command = {"strace", "-f", "-e", "trace=socket,connect", "-o", trace->string()};
        // LeakSanitizer can't work under ptrace: it would fail the exit.
        const char* asan = std::getenv("ASAN_OPTIONS");
        environment.push_back(std::string("ASAN_OPTIONS=") + (asan != nullptr ? asan : "") +
                              ":detect_leaks=0");
    }
    command.insert(command.end(),
                   {fs::path(DEVHOST_PROGRAM).string(), "--server-dir", folder.string(), fifo.string()});
    pid_ = Spawn(command, environment, output_);
    // The write end opens once the dev host has opened the read end.
    const auto deadline = std::chrono::steady_clock::now() + 30s;
    while (pid_ > 0 && std::chrono::steady_clock::now() < deadline) {
        input_ = ::open(fifo.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
        if (input_ >= 0 || errno != ENXIO) {
            break;
        }
        std::this_thread::sleep_for(10ms);
    }
    if (input_ >= 0) {
        ::fcntl(input_, F_SETFL, ::fcntl(input_, F_GETFL) & ~O_NONBLOCK);
    }
}

DevHostProcess::~DevHostProcess() {
    if (pid_ > 0 && Quit() == -1) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

void DevHostProcess::Send(const std::string& command) {
    const std::string line = command + "\n";
    for (std::size_t done = 0; input_ >= 0 && done < line.size();) {
        const ssize_t written = ::write(input_, line.data() + done, line.size() - done);
        if (written <= 0) {
            return;
        }
        done += static_cast<std::size_t>(written);
    }
}

std::string DevHostProcess::Say(const std::string& player, const std::string& text) {
    Send("say " + player + " " + text);
    return NextAuditLine(20s).value_or("");
}

std::optional<std::string> DevHostProcess::NextAuditLine(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    do {
        std::istringstream output(Output());
        std::size_t seen = 0;
        for (std::string line; std::getline(output, line);) {
            // A line not yet ended is still being written.
            if (line.rfind("audit: ", 0) == 0 && !output.eof() && seen++ == auditLinesRead_) {
                ++auditLinesRead_;
                return line.substr(7);
            }
        }
        std::this_thread::sleep_for(10ms);
    } while (std::chrono::steady_clock::now() < deadline);
    return std::nullopt;
}

int DevHostProcess::Quit() {
    Send("quit");
    if (input_ >= 0) {
        ::close(input_);
        input_ = -1;
    }
    const std::optional<int> status = pid_ > 0 ? WaitFor(pid_, 60s) : std::nullopt;
    if (status) {
        pid_ = -1;
    }
    return status.value_or(-1);
}

std::string DevHostProcess::Output() const {
    return ReadText(output_);
}

}  // namespace CompanionTests
