#include "core/gate/PlayerUses.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <algorithm>
#include <charconv>

#include "core/text/CommandText.h"
#include "core/text/TimeInWords.h"
#include "engine/FString.h"
#include "engine/Messaging.h"
#include "engine/WideText.h"

namespace Corvane {
namespace {

// A name a player typed, as a reply shows it.
constexpr std::size_t kShownName = 100;

std::optional<std::uint64_t> SteamId(WideStringView text) {
    const std::string digits = Engine::ToUtf8(text);
    std::uint64_t id = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
    const bool onlyDigits = !digits.empty() && std::all_of(digits.begin(), digits.end(),
                                                           [](char c) { return c >= '0' && c <= '9'; });
    return onlyDigits && error == std::errc() && end == digits.data() + digits.size() ? std::optional(id)
                                                                                      : std::nullopt;
}

std::string Left(UseHistory::Clock::duration left) {
    return fmt::format("{} s ({})", SecondsLeft(left), TimeInWords(left));
}

}  // namespace

PlayerSearch FindPlayer(const IApiUtils& api, WideStringView named) {
    const std::optional<std::uint64_t> id = SteamId(named);
    PlayerSearch search;
    for (AShooterPlayerController* player : ConnectedPlayers(api)) {
        const FString name = api.GetCharacterName(player);
        const std::uint64_t steamId = api.GetSteamIdFromController(player);
        if (id ? steamId == *id : name.View() == named) {
            search.matches.push_back({steamId, Engine::ToUtf8(name.View())});
        }
    }
    if (id) {
        search.found = search.matches.empty() ? NamedPlayer{*id, ""} : search.matches.front();
        search.matches.clear();
    } else if (search.matches.size() == 1) {
        search.found = search.matches.front();
        search.matches.clear();
    }
    return search;
}

std::string Described(const NamedPlayer& player) {
    return player.name.empty() ? std::to_string(player.steamId)
                               : fmt::format("{} ({})", player.name, player.steamId);
}

std::string DescribeMatches(WideStringView named, const std::vector<NamedPlayer>& matches) {
    const std::string shown = LogExcerpt(named, kShownName);
    if (matches.empty()) {
        return fmt::format("No connected player is named \"{}\": name one exactly, or by Steam id.", shown);
    }
    std::vector<std::string> each;
    each.reserve(matches.size());
    for (const NamedPlayer& match : matches) {
        each.push_back(Described(match));
    }
    return fmt::format("{} connected players are named \"{}\": {}. Name one by Steam id.", matches.size(),
                       shown, fmt::join(each, ", "));
}

std::vector<std::string> DescribeUses(const UseHistory& history, const Settings& settings,
                                      std::uint64_t steamId, UseHistory::Clock::time_point now) {
    std::vector<std::string> lines;
    for (const std::string& name : history.NamesOf(steamId)) {
        const CommandSettings* command = settings.SettingsFor(name);
        if (command == nullptr) {
            continue;
        }
        const auto uses = history.Uses(steamId, name);
        std::vector<std::string> parts;
        if (const auto left = CooldownLeft(uses, command->cooldown, now);
            left > UseHistory::Clock::duration::zero()) {
            parts.push_back("cooldown " + Left(left) + " left");
        }
        if (const UseLimit* limit = command->maxUses ? &*command->maxUses : nullptr) {
            const LimitAnswer answer = AskLimit(uses, limit->count, limit->per, now);
            if (answer.used > 0) {
                parts.push_back(fmt::format("{} of {} uses left in {} s; {}",
                                            limit->count - std::min<std::size_t>(limit->count, answer.used),
                                            limit->count, SecondsLeft(limit->per),
                                            answer.left > UseHistory::Clock::duration::zero()
                                                ? "the next use in " + Left(answer.left)
                                                : "the next frees up in " + Left(answer.frees)));
            }
        }
        if (!parts.empty()) {
            lines.push_back(fmt::format("{}: {}", name, fmt::join(parts, "; ")));
        }
    }
    return lines;
}

}  // namespace Corvane
