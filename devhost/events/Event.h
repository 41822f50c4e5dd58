// What the stand-in engine and framework report, one typed event each, in the
// order it happens: the dev host prints them, tests and fuzzers assert on them.
//
// An event is a value: observers copy what they keep. Players are named by
// their character name, as the dev host shows them.
#pragma once

#include <spdlog/common.h>

#include <cstdint>
#include <string>
#include <variant>

#include "engine/Colour.h"
#include "host/EngineObjects.h"
#include "host/WideChar.h"

namespace DevHost {

// The engine console ran one command for a player; a line it splits at '|'
// or a line break runs as several.
struct ConsoleCommandRun {
    std::string player;
    WideString command;
};

// An announcement reached one player ("ClientServerChatDirectMessage").
struct Broadcast {
    std::string player;
    WideString text;
    FLinearRGBA colour;
    bool flag = false;
};

// One string field of a chat record as the engine received it.
struct ChatText {
    WideString text;
    bool hasBuffer = false;
};

// A private chat message reached one player: the chat record, field by field.
struct PrivateMessage {
    std::string player;
    ChatText fromName, auxText1, auxText2, text, auxText3, auxText4;
    std::int32_t auxWord1 = 0, auxWord2 = 0, auxWord3 = 0;
    double auxReal = 0;
    std::uint8_t auxByte1 = 0, auxByte2 = 0;
    const UObject* auxObject = nullptr;
};

struct GameplayLogEntry {
    WideString text;
};

// A line reached the framework's log sinks, formatted by the pattern the
// logger set on them, without its line break.
struct LogLine {
    std::string logger;
    spdlog::level::level_enum level = spdlog::level::info;
    std::string text;
};

// An exception left a chat-command handler; the framework caught and logged it.
struct HandlerError {
    std::string what;
};

// A line the plugin appended to its audit file, without its line break. The
// stand-in server reports them when it is asked to follow the file
// (StandInServer::FollowAuditFile), ahead of the event that comes after them.
struct AuditLine {
    std::string text;
};

using Event = std::variant<ConsoleCommandRun, Broadcast, PrivateMessage, GameplayLogEntry, LogLine,
                           HandlerError, AuditLine>;

}  // namespace DevHost
