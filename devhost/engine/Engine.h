// The stand-in engine: players and their controllers, the world with its list
// of player controllers, the game mode, and what the engine functions did.
//
// The engine owns every object it hands out by pointer. Each engine function
// call is recorded (for tests) and reported as one line to the event listener
// (for the dev host's output), in the order it happens.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "engine/Colour.h"
#include "engine/FWeakObjectPtr.h"
#include "engine/WideText.h"
#include "host/EngineObjects.h"
#include "host/WideChar.h"

namespace DevEngine {

struct ConsoleRecord {
    std::string player;
    WideString command;
};

struct DirectMessageRecord {
    std::string player;
    WideString text;
    FLinearRGBA colour;
    bool flag;
};

// One string field of a chat record as the engine received it.
struct TextField {
    WideString text;
    bool hasBuffer = false;
};

// What the engine received in a FChatEntry, field by field.
struct ChatRecord {
    std::string player;
    TextField fromName, auxText1, auxText2, text, auxText3, auxText4;
    std::int32_t auxWord1, auxWord2, auxWord3;
    double auxReal;
    std::uint8_t auxByte1, auxByte2;
    const UObject* auxObject;
};

struct EngineRecords {
    std::vector<ConsoleRecord> console;
    std::vector<WideString> gameplayLog;
    std::vector<DirectMessageRecord> directMessages;
    std::vector<ChatRecord> chatMessages;
};

using EventListener = std::function<void(const std::string& line)>;

class GameWorld {
public:
    // A player connects: a new controller, appended to the world's list.
    AShooterPlayerController* Join(const std::string& name, std::uint64_t steamId);
    // The player disconnects; the list keeps a reference that no longer resolves.
    void Leave(AShooterPlayerController* player);
    AShooterPlayerController* FindPlayer(const std::string& name) const;

    // Aborts on a pointer that is not a controller of this engine.
    const std::string& NameOf(const AShooterPlayerController* player) const;
    std::uint64_t SteamIdOf(const AController* controller) const;
    // The player a weak reference names, or null once that player has left.
    UObject* Resolve(const FWeakObjectPtr& weak) const;

    UWorld* World();
    AShooterGameMode* GameMode();
    // Aborts on a pointer that is not this engine's game mode.
    void CheckGameMode(const AShooterGameMode* gameMode) const;
    void* PlayerControllerList(const void* object);

    EngineRecords& Records() { return records_; }
    void SetEventListener(EventListener listener) { listener_ = std::move(listener); }
    void Emit(const std::string& line) const;

    // Everyone leaves, the world's list is freed and the records are cleared.
    void Reset();

private:
    struct PlayerSlot {
        std::string name;
        std::uint64_t steamId;
        std::int32_t serial;
        bool connected;
    };
    const PlayerSlot& SlotOf(const void* controller) const;

    std::deque<PlayerSlot> players_;
    std::int32_t nextSerial_ = 1;
    EngineRecords records_;
    EventListener listener_;
};

GameWorld& TheGameWorld();

// Address of the engine function or field called name; null when unknown.
void* EngineSymbol(const std::string& name);

}  // namespace DevEngine
