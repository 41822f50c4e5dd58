#include "devhost/app/EventPrinter.h"

#include <fmt/format.h>

#include <filesystem>

#include "engine/WideText.h"

namespace DevHost {
namespace {

using Corvane::Engine::ToUtf8;

std::ofstream OpenForAppending(const std::filesystem::path& file) {
    std::filesystem::create_directories(file.parent_path());
    return std::ofstream(file, std::ios::binary | std::ios::app);
}

// The event as one line of the dev host's output.
struct Describe {
    std::string operator()(const ConsoleCommandRun& run) const {
        return fmt::format("console {}: {}", run.player, ToUtf8(run.command));
    }
    std::string operator()(const Broadcast& message) const {
        return fmt::format("broadcast -> {} [{} {} {} {}]: {}", message.player, message.colour.R,
                           message.colour.G, message.colour.B, message.colour.A, ToUtf8(message.text));
    }
    std::string operator()(const PrivateMessage& message) const {
        return fmt::format("chat -> {} from {}: {}", message.player, ToUtf8(message.fromName.text),
                           ToUtf8(message.text.text));
    }
    std::string operator()(const GameplayLogEntry& entry) const {
        return "gameplay-log: " + ToUtf8(entry.text);
    }
    std::string operator()(const LogLine& line) const { return "log: " + line.text; }
    std::string operator()(const HandlerError& error) const { return "error: " + error.what; }
};

}  // namespace

EventPrinter::EventPrinter(std::ostream& console, const ServerDirectory& directory)
    : console_(console),
      serverLog_(OpenForAppending(directory.ServerLogFile())),
      gameplayLog_(OpenForAppending(directory.GameplayLogFile())),
      frameworkLog_(OpenForAppending(directory.FrameworkLogFile())) {}

void EventPrinter::Print(const Event& event) {
    if (const auto* entry = std::get_if<GameplayLogEntry>(&event)) {
        gameplayLog_ << ToUtf8(entry->text) << std::endl;
    } else if (const auto* line = std::get_if<LogLine>(&event)) {
        frameworkLog_ << line->text << std::endl;
    }
    Line(std::visit(Describe{}, event));
}

void EventPrinter::Line(const std::string& line) {
    console_ << line << std::endl;
    serverLog_ << line << std::endl;
}

}  // namespace DevHost
