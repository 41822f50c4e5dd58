#include "fuzz/ChatScript.h"

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

namespace Fuzz {
namespace {

std::string Unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && (text[i + 1] == 'n' || text[i + 1] == 'r')) {
            out += text[i + 1] == 'n' ? '\n' : '\r';
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "<whole seconds>[.<up to nine decimals>]", in nanoseconds, within the longest wait.
std::optional<std::int64_t> ParseSeconds(std::string_view text) {
    constexpr std::int64_t kBillion = 1'000'000'000;
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view decimals = point == std::string_view::npos ? "" : text.substr(point + 1);
    const auto digits = [](std::string_view part) {
        return part.find_first_not_of("0123456789") == std::string_view::npos;
    };
    if (whole.empty() || whole.size() > 6 || !digits(whole) || decimals.size() > 9 || !digits(decimals) ||
        (point != std::string_view::npos && decimals.empty())) {
        return std::nullopt;
    }
    std::int64_t nanoseconds = std::stoll(std::string(whole)) * kBillion;
    std::int64_t scale = kBillion / 10;
    for (const char digit : decimals) {
        nanoseconds += (digit - '0') * scale;
        scale /= 10;
    }
    if (nanoseconds > kLongestWaitSeconds * kBillion) {
        return std::nullopt;
    }
    return nanoseconds;
}

std::optional<ChatStep> ParseStep(std::string_view line) {
    if (line.size() < 2) {
        return std::nullopt;
    }
    if (line[0] == 'j') {
        return ChatStep{ChatStep::Kind::Join, 0, Unescape(line.substr(2)), 0};
    }
    if (line[0] == 'w') {
        const auto nanoseconds = ParseSeconds(line.substr(std::min<std::size_t>(2, line.size())));
        return nanoseconds ? std::optional(ChatStep{ChatStep::Kind::Wait, 0, {}, *nanoseconds})
                           : std::nullopt;
    }
    const char digit = line[1];
    if (digit < '0' || digit >= static_cast<char>('0' + kMaxPlayers)) {
        return std::nullopt;
    }
    const auto player = static_cast<std::size_t>(digit - '0');
    const std::string argument = Unescape(line.substr(std::min<std::size_t>(3, line.size())));
    switch (line[0]) {
        case 'g': return ChatStep{ChatStep::Kind::Grant, player, argument, 0};
        case 'l': return ChatStep{ChatStep::Kind::Leave, player, {}, 0};
        case 's': return ChatStep{ChatStep::Kind::Say, player, argument, 0};
        default: return std::nullopt;
    }
}

}  // namespace

std::int64_t ChatScript::WaitedNanoseconds() const {
    std::int64_t total = 0;
    for (const ChatStep& step : steps) {
        total += step.nanoseconds;
    }
    return total;
}

ChatScript ParseChatScript(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    ChatScript script;
    std::size_t separator = input.rfind("%%\n", 0) == 0 ? 0 : input.find("\n%%\n");
    if (separator == std::string_view::npos) {
        script.config = std::string(input);
        return script;
    }
    script.config = std::string(input.substr(0, separator));
    std::size_t start = separator + (separator == 0 ? 3 : 4);
    while (start < input.size() && script.steps.size() < kMaxSteps) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) {
            end = input.size();
        }
        if (auto step = ParseStep(input.substr(start, end - start))) {
            script.steps.push_back(std::move(*step));
        }
        start = end + 1;
    }
    return script;
}

}  // namespace Fuzz
