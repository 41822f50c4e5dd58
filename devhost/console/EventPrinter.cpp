#include "devhost/console/EventPrinter.h"

#include <fmt/format.h>

#include <algorithm>
#include <cmath>
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
    std::string operator()(const AuditLine& line) const { return "audit: " + line.text; }
};

// A linear channel (0 to 1) as the 8-bit sRGB value a terminal shows.
int TerminalChannel(float linear) {
    const double v = std::clamp(static_cast<double>(linear), 0.0, 1.0);
    const double encoded = v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
    return static_cast<int>(std::lround(encoded * 255));
}

std::string Coloured(const std::string& line, const FLinearRGBA& colour) {
    return fmt::format("\x1b[38;2;{};{};{}m{}\x1b[0m", TerminalChannel(colour.R), TerminalChannel(colour.G),
                       TerminalChannel(colour.B), line);
}

}  // namespace

EventPrinter::EventPrinter(std::ostream& console, const ServerDirectory& directory, bool colour)
    : console_(console),
      colour_(colour),
      serverLog_(OpenForAppending(directory.ServerLogFile())),
      gameplayLog_(OpenForAppending(directory.GameplayLogFile())),
      frameworkLog_(OpenForAppending(directory.FrameworkLogFile())) {}

void EventPrinter::Print(const Event& event) {
    if (const auto* entry = std::get_if<GameplayLogEntry>(&event)) {
        gameplayLog_ << ToUtf8(entry->text) << std::endl;
    } else if (const auto* line = std::get_if<LogLine>(&event)) {
        frameworkLog_ << line->text << std::endl;
    }
    const std::string line = std::visit(Describe{}, event);
    const auto* broadcast = std::get_if<Broadcast>(&event);
    Write(colour_ && broadcast != nullptr ? Coloured(line, broadcast->colour) : line, line);
}

void EventPrinter::Line(const std::string& line) {
    Write(line, line);
}

void EventPrinter::Write(const std::string& consoleLine, const std::string& logLine) {
    console_ << consoleLine << std::endl;
    serverLog_ << logLine << std::endl;
}

}  // namespace DevHost
