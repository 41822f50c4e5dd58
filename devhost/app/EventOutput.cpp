#include "devhost/app/EventOutput.h"

#include <string_view>

namespace DevHost {
namespace {

constexpr std::string_view kGameplayPrefix = "gameplay-log: ";

std::ofstream OpenForAppending(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    return std::ofstream(file, std::ios::binary | std::ios::app);
}

}  // namespace

EventOutput::EventOutput(std::ostream& console, const ServerDirectory& directory)
    : console_(console),
      serverLog_(OpenForAppending(directory.ServerLogFile())),
      gameplayLog_(OpenForAppending(directory.GameplayLogFile())) {}

void EventOutput::Line(const std::string& line) {
    console_ << line << std::endl;
    serverLog_ << line << std::endl;
    if (line.starts_with(kGameplayPrefix)) {
        gameplayLog_ << std::string_view(line).substr(kGameplayPrefix.size()) << std::endl;
    }
}

}  // namespace DevHost
