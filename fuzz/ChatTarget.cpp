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
#include <map>
#include <optional>
#include <set>

#include "core/Lifecycle.h"
#include "devhost/engine/Allocator.h"
#include "devhost/server/EventLog.h"
#include "devhost/server/StandInServer.h"
#include "fuzz/ChatOracle.h"
#include "fuzz/ChatScript.h"
#include "fuzz/Require.h"
#include "host/Velkor.h"

namespace {

using Fuzz::Require;

struct Player {
    AShooterPlayerController* controller;
    std::string name;
    std::uint64_t steamId;
    bool connected;
};

// The plugin's code is linked in; the stand-in server delivers its entry
// notifications as a loader would.
int PluginEntry(void*, std::uint32_t reason, void*) {
    return Corvane::HandleEntryNotification(reason);
}

// One stand-in server for the whole run, started afresh for each input.
DevHost::StandInServer& TheStandIn() {
    static DevHost::StandInServer server(DevHost::ServerDirectory::Temporary("corvane-fuzz-chat-"),
                                         DevHost::PluginHost::Linked(&PluginEntry));
    return server;
}

struct Server {
    bool loaded = false;
    std::vector<Player> players;
    std::map<std::uint64_t, std::set<WideString>> grants;
    DevHost::EventLog events;
};

// What the engine did since a mark in the event log.
struct Effects {
    std::vector<DevHost::ConsoleCommandRun> console;
    std::vector<DevHost::GameplayLogEntry> gameplayLog;
    std::vector<DevHost::Broadcast> broadcasts;
    std::vector<DevHost::PrivateMessage> replies;
    std::size_t warnings = 0;
};

Effects EffectsSince(const DevHost::EventLog& events, std::size_t mark) {
    Effects effects{events.Of<DevHost::ConsoleCommandRun>(mark), events.Of<DevHost::GameplayLogEntry>(mark),
                    events.Of<DevHost::Broadcast>(mark), events.Of<DevHost::PrivateMessage>(mark), 0};
    for (const DevHost::LogLine& line : events.Of<DevHost::LogLine>(mark)) {
        effects.warnings += line.level == spdlog::level::warn;
    }
    return effects;
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
        Require(effects.gameplayLog.size() == 1 && broadcast.text == effects.gameplayLog[0].text,
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
    Require(effects.gameplayLog.size() == 1 && effects.gameplayLog[0].text == expected.logText,
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
    const std::uint64_t queries = TheStandIn().PermissionQueries();
    const std::size_t mark = server.events.Size();
    const DevHost::RouteResult result = DevHost::RouteChat(player.controller, line);
    const Effects effects = EffectsSince(server.events, mark);

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
        Require(effects.warnings == 1, "a chained command was refused without its warning");
        Require(TheStandIn().PermissionQueries() == queries,
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

bool Connected(const Server& server, const std::string& name) {
    for (const Player& player : server.players) {
        if (player.connected && player.name == name) {
            return true;
        }
    }
    return false;
}

void Run(Server& server, const Fuzz::ConfigModel& config, const Fuzz::ChatStep& step) {
    auto& players = server.players;
    switch (step.kind) {
        case Fuzz::ChatStep::Kind::Join:
            // The stand-in server names players uniquely, as the dev host does.
            if (players.size() < Fuzz::kMaxPlayers && !Connected(server, step.argument)) {
                const std::uint64_t steamId = 1000 + players.size();
                players.push_back({TheStandIn().Join(step.argument, steamId), step.argument, steamId, true});
                server.grants[steamId];
            }
            return;
        case Fuzz::ChatStep::Kind::Grant:
            if (step.player < players.size()) {
                TheStandIn().Grant(players[step.player].steamId, step.argument);
                server.grants[players[step.player].steamId].insert(Velkor::Tools::Utf8Decode(step.argument));
            }
            return;
        case Fuzz::ChatStep::Kind::Leave:
            if (step.player < players.size() && players[step.player].connected) {
                TheStandIn().Leave(players[step.player].name);
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

// A failed load must be one the model expects, with the library's error as
// the plugin's one error line, and must register nothing.
void CheckFailedLoad(const Server& server, const Fuzz::ConfigModel& config) {
    Require(!config.Parses(), "the plugin failed to load a good file");
    const std::vector<std::string> lines = server.events.LogLines();
    const std::string ending = "[Corvane][error] " + config.ParseError();
    Require(lines.size() == 1 && lines[0].size() >= ending.size() &&
                lines[0].compare(lines[0].size() - ending.size(), ending.size(), ending) == 0,
            "a failed load did not log the library's error as its one line");
    Require(!DevHost::IsCommandRegistered(WIDE("/cheat")), "a failed load registered /cheat");
}

bool LoadPlugin(const Server& server, const Fuzz::ConfigModel& config) {
    if (!TheStandIn().Load()) {
        CheckFailedLoad(server, config);
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
    DevHost::StandInServer& standIn = TheStandIn();
    standIn.Restart();
    standIn.WriteConfig(script.config);
    Server server;
    const std::size_t blocks = DevEngine::TheAllocator().LiveBlocks();

    server.loaded = LoadPlugin(server, config);
    for (const Fuzz::ChatStep& step : script.steps) {
        Run(server, config, step);
    }
    standIn.Restart();
    Require(DevEngine::TheAllocator().LiveBlocks() == blocks, "engine blocks outlived the plugin");
    return 0;
}
