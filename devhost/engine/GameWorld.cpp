#include "devhost/engine/GameWorld.h"

#include <cstdio>
#include <cstdlib>

#include "engine/FWeakObjectPtr.h"
#include "engine/TEngineArray.h"

namespace DevEngine {
namespace {

struct WorldObject {
    TEngineArray<FWeakObjectPtr> PlayerControllerList;
};

WorldObject& TheWorld() {
    static WorldObject world;
    return world;
}

struct GameModeObject {
    int unused = 0;
} theGameMode;

// This engine's weak reference: the player's slot above, its serial below.
FWeakObjectPtr WeakReference(std::size_t index, std::int32_t serial) {
    return FWeakObjectPtr{(std::uint64_t{index} << 32) | static_cast<std::uint32_t>(serial)};
}

[[noreturn]] void Fail(const char* what, const void* object) {
    std::fprintf(stderr, "engine: %s (%p)\n", what, object);
    std::fflush(stderr);
    std::abort();
}

}  // namespace

AShooterPlayerController* GameWorld::Join(const std::string& name, std::uint64_t steamId) {
    PlayerSlot& slot = players_.emplace_back(PlayerSlot{name, steamId, nextSerial_++, true});
    slots_.insert(&slot);
    TEngineArray<FWeakObjectPtr>& list = TheWorld().PlayerControllerList;
    list.AppendDefault() = WeakReference(players_.size() - 1, slot.serial);
    return reinterpret_cast<AShooterPlayerController*>(&slot);
}

void GameWorld::Leave(AShooterPlayerController* player) {
    const_cast<PlayerSlot&>(SlotOf(player)).connected = false;
}

AShooterPlayerController* GameWorld::FindPlayer(const std::string& name) const {
    for (const PlayerSlot& slot : players_) {
        if (slot.connected && slot.name == name) {
            return reinterpret_cast<AShooterPlayerController*>(const_cast<PlayerSlot*>(&slot));
        }
    }
    return nullptr;
}

const GameWorld::PlayerSlot& GameWorld::SlotOf(const void* controller) const {
    if (!slots_.contains(controller)) {
        Fail("not a player controller of this engine", controller);
    }
    return *static_cast<const PlayerSlot*>(controller);
}

const std::string& GameWorld::NameOf(const AShooterPlayerController* player) const {
    return SlotOf(player).name;
}

std::uint64_t GameWorld::SteamIdOf(const AController* controller) const {
    return SlotOf(controller).steamId;
}

UObject* GameWorld::Resolve(const FWeakObjectPtr& weak) const {
    const std::size_t index = weak.Opaque >> 32;
    const auto serial = static_cast<std::int32_t>(weak.Opaque & 0xFFFFFFFF);
    if (index >= players_.size()) {
        return nullptr;
    }
    const PlayerSlot& slot = players_[index];
    if (!slot.connected || slot.serial != serial) {
        return nullptr;
    }
    return reinterpret_cast<UObject*>(const_cast<PlayerSlot*>(&slot));
}

UWorld* GameWorld::World() {
    return reinterpret_cast<UWorld*>(&TheWorld());
}

AShooterGameMode* GameWorld::GameMode() {
    return reinterpret_cast<AShooterGameMode*>(&theGameMode);
}

void GameWorld::CheckGameMode(const AShooterGameMode* gameMode) const {
    if (static_cast<const void*>(gameMode) != &theGameMode) {
        Fail("not the game mode of this engine", gameMode);
    }
}

void* GameWorld::PlayerControllerList(const void* object) {
    return object == &TheWorld() ? &TheWorld().PlayerControllerList : nullptr;
}

void GameWorld::Reset() {
    TheWorld().PlayerControllerList = TEngineArray<FWeakObjectPtr>();
    players_.clear();
    slots_.clear();
}

GameWorld& TheGameWorld() {
    static GameWorld world;
    return world;
}

}  // namespace DevEngine
