// The stand-in engine's game: players and their controllers, the world with
// its list of player controllers, and the game mode.
//
// The game owns every object it hands out by pointer. What the engine
// functions do with them is reported on the event bus (devhost/events).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <unordered_set>

#include "engine/FWeakObjectPtr.h"
#include "host/EngineObjects.h"

namespace DevEngine {

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

    // Everyone leaves and the world's list is freed.
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
    // Every controller handed out, to tell one from any other pointer at once.
    std::unordered_set<const void*> slots_;
    std::int32_t nextSerial_ = 1;
};

GameWorld& TheGameWorld();

// Address of the engine function or field called name; null when unknown.
void* EngineSymbol(const std::string& name);

}  // namespace DevEngine
