// The plugin's settings: everything config.json says, read once at load into
// types (ConfigReader.h). The plugin state holds the settings in force; a
// reload replaces them whole. Nothing here changes after it is read.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/settings/ArgumentRules.h"
#include "core/settings/AuditRotation.h"
#include "core/settings/LookedUp.h"
#include "engine/FString.h"
#include "host/WideChar.h"

namespace Corvane {

// Longer cooldowns are held for this long; a duration of more would overflow the clock.
inline constexpr std::chrono::seconds kLongestCooldown{1'000'000'000};

// Who sees the announcement of a granted use.
enum class Announce {
    All,     // every player, in yellow
    None,    // nobody
    Admins,  // the connected players holding Corvane.SeeAnnouncements
};

// At most count granted uses per player in any `per` (a sliding window).
struct UseLimit {
    std::uint32_t count = 0;
    std::chrono::steady_clock::duration per{};
    // The member that sets it, for the audit line's rule: "/Commands/giveitem/MaxUses".
    std::string pointer;
};

// A permission the operator names, held by some players, that gives them a
// cooldown or a use limit of their own; its limit's Per is the entry's.
struct Tier {
    std::string permission;  // ASCII letters, digits, _ . -
    std::optional<std::chrono::steady_clock::duration> cooldown;
    std::optional<UseLimit> maxUses;
    // "/Commands/giveitem/Tiers/0"
    std::string pointer;
};

// The settings of one command name (an entry of "Commands").
struct CommandSettings {
    // How long the same player waits before running the name again; zero for none.
    std::chrono::steady_clock::duration cooldown{};
    // When set, decides instead of PrintToChat.
    std::optional<Announce> announce;
    ArgumentRules rules;
    std::optional<UseLimit> maxUses;
    // In the order listed: the first a player holds whose value lets a use through does.
    std::vector<Tier> tiers;
};

// The texts of "Messages", in the engine's characters. Each is what its
// lookup gives at use: the text, a fallback when the key is absent, or the
// JSON library's error.
struct Messages {
    LookedUp<WideString> logMsg;         // "No message" when absent; fields tamed (FormatCheck.h)
    LookedUp<WideString> noPermissions;  // "No message" when absent
    LookedUp<WideString> sender;         // "No message" when absent
    LookedUp<WideString> cooldown;       // a text of ours when absent; fields tamed
    LookedUp<WideString> denied;         // noPermissions when absent
    LookedUp<WideString> limit;          // a text of ours when absent; fields tamed
};

// This server's place in a cluster ("Cluster"): its name, written in every
// audit line, and the feed its companion fills with the other servers' uses.
struct ClusterSettings {
    std::string server;  // 1 to 64 ASCII letters, digits, _ . -
    std::filesystem::path feedFile;
    // Without a heartbeat this recent, the feed is stale.
    std::chrono::seconds staleAfter{10};

    friend bool operator==(const ClusterSettings&, const ClusterSettings&) = default;
};

struct Settings {
    Messages messages;
    LookedUp<bool> printToChat;
    // Where the audit file lies; none when there is no audit file.
    std::optional<std::filesystem::path> auditFile;
    // None: the file grows without bound.
    std::optional<AuditRotation> auditRotate;
    // None: this server is in no cluster.
    std::optional<ClusterSettings> cluster;
    // Console names (CommandText.h).
    std::set<std::string> deny;
    // Commands that run their argument text as another command.
    std::set<std::string> wrappers;
    std::map<std::string, CommandSettings> commands;
    std::optional<CommandSettings> others;  // "*": every name not listed

    bool Denies(const std::string& name) const { return deny.contains(name); }
    // The entry for name, or else the "*" entry; null when neither exists,
    // and for the empty name, which no command the console can read has.
    const CommandSettings* SettingsFor(const std::string& name) const;
};

// The engine string of a message, built anew for each use; the lookup's
// error when it has one.
FString MessageText(const LookedUp<WideString>& message);

}  // namespace Corvane
