// Programs the companion's tests start: spawned with their output in a file,
// signalled and waited for.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace CompanionTests {

// Starts arguments[0] (searched on PATH) with extra environment variables
// ("NAME=value"), its standard output and error going to output.
pid_t Spawn(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
            const std::filesystem::path& output);
// Runs it to its end; its exit status, or -1 when it did not exit.
int RunToEnd(const std::vector<std::string>& arguments, const std::filesystem::path& output,
             const std::vector<std::string>& environment = {});
// Waits at most timeout for it to end; its exit status, none when still running.
std::optional<int> WaitFor(pid_t pid, std::chrono::milliseconds timeout);

std::string ReadText(const std::filesystem::path& file);

}  // namespace CompanionTests
