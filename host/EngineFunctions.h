// Call shapes of the engine functions and fields that are resolved by name.
//
// Each name is "Class.Member"; the instance comes first where there is one.
// Records passed by value become the engine function's own.
#pragma once

#include <cstdint>

#include "host/EngineObjects.h"

class FString;
struct FChatEntry;
struct FLinearRGBA;
struct FWeakObjectPtr;

namespace EngineFunctions {
using Realloc = void* (*)(void* block, std::uint64_t size);
using Free = void (*)(void* block);
using ConsoleCommand = void (*)(AShooterPlayerController* player, FString* result, FString* command,
                                bool writeToLog);
using PrintToGameplayLog = void (*)(AShooterGameMode* gameMode, FString* message);
using ClientChatMessage = void (*)(AShooterPlayerController* player, FChatEntry entry);
using ClientServerChatDirectMessage = void (*)(AShooterPlayerController* player, FString* message,
                                               FLinearRGBA colour, bool flag);
using WeakObjectPtrGet = UObject* (*)(const FWeakObjectPtr* weak, bool flag);
}  // namespace EngineFunctions
