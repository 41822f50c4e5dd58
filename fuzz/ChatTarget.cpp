// fuzz_chat: configurations, grants and chat lines through the stand-in
// framework and the plugin. The plugin's code is linked in and its own Load
// registers /cheat with the framework's registry, so every line takes the
// framework's real routing to the real handler.
//
// After each line: the engine's live blocks are as before; a command ran only
// with its player's permission and always with its gameplay-log entry; a
// refusal gave exactly one private reply; what left the handler is one of the
// documented configuration and formatting errors; and everything matches what
// the oracle works out on its own.
#include <spdlog/sinks/base_sink.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <set>

#include "core/Lifecycle.h"
#include "devhost/engine/Allocator.h"
#include "devhost/engine/Engine.h"
#include "devhost/framework/Framework.h"
#include "devhost/framework/TemporaryServerDirectory.h"
#include "devhost/permissions/DevPermissions.h"
#include "fuzz/ChatOracle.h"
#include "fuzz/ChatScript.h"
#include "fuzz/Require.h"
#include "host/Velkor.h"

namespace {

using Fuzz::Require;

class WarningCounter final : public spdlog::sinks::base_sink<spdlog::details::null_mutex> {
public:
    std::size_t warnings = 0;

protected:
    void sink_it_(const spdlog::details::log_msg& message) override {
        warnings += message.level == spdlog::level::warn ? 1 : 0;
    }
    void flush_() override {}
};

struct Player {
    AShooterPlayerController* controller;
    std::string name;
    std::uint64_t steamId;
    bool connected;
};

struct Server {
    bool loaded = false;
    std::vector<Player> players;
    std::map<std::uint64_t, std::set<WideString>> grants;
    std::shared_ptr<WarningCounter> log;
};

// What the engine recorded since a mark.
struct Effects {
    std::vector<DevEngine::ConsoleRecord> console;
    std::vector<WideString> gameplayLog;
    std::vector<DevEngine::DirectMessageRecord> broadcasts;
    std::vector<DevEngine::ChatRecord> replies;
};

struct Mark {
    std::size_t console, gameplayLog, broadcasts, replies;
};

Mark MarkRecords() {
    const auto& records = DevEngine::TheGameWorld().Records();
    return {records.console.size(), records.gameplayLog.size(), records.directMessages.size(),
            records.chatMessages.size()};
}

template <class T>
std::vector<T> Since(const std::vector<T>& all, std::size_t mark) {
    return {all.begin() + static_cast<std::ptrdiff_t>(mark), all.end()};
}

Effects EffectsSince(const Mark& mark) {
    const auto& records = DevEngine::TheGameWorld().Records();
    return {Since(records.console, mark.console), Since(records.gameplayLog, mark.gameplayLog),
            Since(records.directMessages, mark.broadcasts), Since(records.chatMessages, mark.replies)};
}

bool NoEffects(const Effects& effects) {
    return effects.console.empty() && effects.gameplayLog.empty() && effects.broadcasts.empty() &&
           effects.replies.empty();
}

// Holds whatever the oracle says: no command without its permission, none
// without its log entry, and every broadcast is the log entry.
void CheckSafety(const Server& server, const Player& player, const Effects& effects) {
    const auto& granted = server.grants.at(player.steamId);
    for (const auto& record : effects.console) {
        const auto words = Fuzz::BlankSeparatedWords(record.command);
        Require(!words.empty() && granted.count(WIDE("Cheat.") + words[0]) != 0,
                "a command ran whose permission the player lacks");
    }
    Require(effects.console.empty() == effects.gameplayLog.empty(),
            "a command ran without its gameplay-log entry, or an entry without a command");
    Require(effects.console.size() <= 1 && effects.gameplayLog.size() <= 1, "one line ran several commands");
    for (const auto& broadcast : effects.broadcasts) {
        Require(effects.gameplayLog.size() == 1 && broadcast.text == effects.gameplayLog[0],
                "a broadcast differs from the gameplay log");
    }
}

void CheckRefusal(const Player& player, const Fuzz::ChatExpectation& expected, const Effects& effects) {
    Require(effects.console.empty() && effects.gameplayLog.empty() && effects.broadcasts.empty(),
            "a refused line had effects besides its reply");
    Require(effects.replies.size() == 1, "a refusal did not give exactly one private reply");
    const auto& reply = effects.replies[0];
    Require(reply.player == player.name, "the reply went to someone else");
    Require(reply.fromName.text == expected.sender && reply.text.text == expected.reply,
            "the reply is not the configured sender and text");
}

void CheckGrant(const Server& server, const Fuzz::ChatExpectation& expected, const Effects& effects) {
    Require(effects.replies.empty(), "a granted line sent a private reply");
    Require(effects.console.size() == 1 && effects.console[0].command == expected.command,
            "a granted line did not run exactly its command");
    Require(effects.gameplayLog.size() == 1 && effects.gameplayLog[0] == expected.logText,
            "the gameplay-log entry is not the configured text");
    std::vector<std::string> recipients;
    for (const auto& broadcast : effects.broadcasts) {
        recipients.push_back(broadcast.player);
    }
    std::vector<std::string> connected;
    for (const Player& player : server.players) {
        if (player.connected && expected.broadcast) {
            connected.push_back(player.name);
        }
    }
    Require(recipients == connected, "the broadcast did not reach exactly the connected players, in order");
}

void Say(Server& server, const Fuzz::ConfigModel& config, const Player& player, const std::string& utf8) {
    const WideString line = Velkor::Tools::Utf8Decode(utf8);
    const WideString name = Velkor::Tools::Utf8Decode(player.name);
    const Fuzz::ChatExpectation expected =
        Fuzz::Expect(config, {server.loaded, &server.grants[player.steamId], name, line});

    const std::size_t blocks = DevEngine::TheAllocator().LiveBlocks();
    const std::size_t warnings = server.log->warnings;
    const std::uint64_t queries = DevPermissions::QueryCount();
    const Mark mark = MarkRecords();
    const DevHost::RouteResult result = DevHost::RouteChat(player.controller, line);
    const Effects effects = EffectsSince(mark);

    Require(DevEngine::TheAllocator().LiveBlocks() == blocks, "a chat line changed the engine's live blocks");
    CheckSafety(server, player, effects);
    using Outcome = DevHost::RouteResult::Outcome;
    if (!expected.routed) {
        Require(result.outcome == Outcome::Unrouted && NoEffects(effects), "an unrouted line had effects");
        return;
    }
    if (result.outcome == Outcome::Failed) {
        bool documented = false;
        for (const auto& error : expected.errors) {
            documented = documented || error.Matches(result.error);
        }
        Require(documented, "an undocumented error left the handler");
        Require(NoEffects(effects), "a failed line had effects");
        return;
    }
    Require(result.outcome == Outcome::Handled, "a line for /cheat was not routed to it");
    Require(expected.errors.empty(), "a line that had to fail was handled");
    if (expected.chained) {
        Require(server.log->warnings == warnings + 1, "a chained command was refused without its warning");
        Require(DevPermissions::QueryCount() == queries,
                "the permissions plugin was asked about a chained command");
    }
    switch (expected.kind) {
        case Fuzz::ChatExpectation::Kind::Nothing:
            Require(NoEffects(effects), "an ignored line had effects");
            break;
        case Fuzz::ChatExpectation::Kind::Refused: CheckRefusal(player, expected, effects); break;
        case Fuzz::ChatExpectation::Kind::Granted: CheckGrant(server, expected, effects); break;
    }
}

void Run(Server& server, const Fuzz::ConfigModel& config, const Fuzz::ChatStep& step) {
    auto& players = server.players;
    switch (step.kind) {
        case Fuzz::ChatStep::Kind::Join:
            if (players.size() < Fuzz::kMaxPlayers) {
                const std::uint64_t steamId = 1000 + players.size();
                players.push_back(
                    {DevEngine::TheGameWorld().Join(step.argument, steamId), step.argument, steamId, true});
                server.grants[steamId];
            }
            return;
        case Fuzz::ChatStep::Kind::Grant:
            if (step.player < players.size()) {
                const WideString permission = Velkor::Tools::Utf8Decode(step.argument);
                DevPermissions::Grant(players[step.player].steamId, permission);
                server.grants[players[step.player].steamId].insert(permission);
            }
            return;
        case Fuzz::ChatStep::Kind::Leave:
            if (step.player < players.size() && players[step.player].connected) {
                DevEngine::TheGameWorld().Leave(players[step.player].controller);
                players[step.player].connected = false;
            }
            return;
        case Fuzz::ChatStep::Kind::Say:
            if (step.player < players.size() && players[step.player].connected) {
                Say(server, config, players[step.player], step.argument);
            }
            return;
    }
}

const DevHost::TemporaryServerDirectory& TheServerDirectory() {
    static const DevHost::TemporaryServerDirectory directory("corvane-fuzz-chat-");
    return directory;
}

// Load as the framework's attach would run it: only the documented load
// errors may come out, and a failed load registers nothing.
void CheckFailedLoad(const Fuzz::ConfigModel& config, const char* error) {
    Require(!config.Parses() && config.ParseError() == error, "the plugin failed to load a good file");
    Corvane::Unload();
    Require(!DevHost::IsCommandRegistered(WIDE("/cheat")), "a failed load registered /cheat");
}

bool LoadPlugin(const Fuzz::ConfigModel& config) {
    try {
        Corvane::Load();
    } catch (const nlohmann::json::parse_error& error) {
        CheckFailedLoad(config, error.what());
        return false;
    } catch (const nlohmann::json::out_of_range& error) {
        CheckFailedLoad(config, error.what());
        return false;
    }
    Require(config.Parses(), "the plugin loaded a malformed file");
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const Fuzz::ChatScript script = Fuzz::ParseChatScript(data, size);
    const Fuzz::ConfigModel config(script.config);
    if (config.HasHugeWidth()) {
        return -1;
    }
    TheServerDirectory().WriteConfig(script.config);

    DevEngine::TheGameWorld().Reset();
    DevPermissions::RevokeAll();
    Server server;
    server.log = std::make_shared<WarningCounter>();
    GetLogSinks() = {server.log};
    const std::size_t blocks = DevEngine::TheAllocator().LiveBlocks();

    server.loaded = LoadPlugin(config);
    for (const Fuzz::ChatStep& step : script.steps) {
        Run(server, config, step);
    }
    if (server.loaded) {
        Corvane::Unload();
    }
    DevEngine::TheGameWorld().Reset();
    Require(DevEngine::TheAllocator().LiveBlocks() == blocks, "engine blocks outlived the plugin");
    GetLogSinks().clear();
    return 0;
}
