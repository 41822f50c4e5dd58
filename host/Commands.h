// ICommands: the framework's registry of chat commands.
//
// The registry keeps its own copies of the command text and the callback; the
// caller's values may be destroyed right after registering.
#pragma once

#include <functional>

#include "host/EngineObjects.h"

class FString;

// Called with the player, the whole chat line (which the handler may change in
// place) and the way it was sent.
using ChatCommandCallback = std::function<void(AShooterPlayerController*, FString*, EChatSendMode::Type)>;

class ICommands {
public:
    virtual ~ICommands() = default;
    virtual void RegisterChatCommand(const FString& command, const ChatCommandCallback& callback) = 0;
    virtual bool UnregisterChatCommand(const FString& command) = 0;
};
