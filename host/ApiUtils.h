// IApiUtils: the framework's utilities for reaching the engine's current state.
//
// The framework owns the one IApiUtils object; plugins only call it. Objects it
// returns belong to the engine; the FString it returns belongs to the caller.
#pragma once

#include <cstdint>

#include "host/EngineObjects.h"

class FString;

class IApiUtils {
public:
    virtual ~IApiUtils() = default;
    virtual UWorld* CurrentWorld() const = 0;
    virtual AShooterGameMode* CurrentGameMode() const = 0;
    virtual std::uint64_t GetSteamIdFromController(AController* controller) const = 0;
    virtual FString GetCharacterName(AShooterPlayerController* player) const = 0;
};
