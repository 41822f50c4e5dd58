// Reaching players: a coloured server text to everyone in the world, and a
// private chat line with a sender name to one player; and finding them.
//
// Both take their text as a format text: it passes through FromFormat with no
// arguments first, so "{{" and "}}" arrive as single braces and any other
// brace throws fmt::format_error before anyone is sent anything.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "engine/Colour.h"
#include "engine/FString.h"
#include "engine/FWeakObjectPtr.h"
#include "host/ApiUtils.h"

// Who decides, player by player, whether a broadcast reaches them; an empty
// function lets everyone through.
using BroadcastFilter = std::function<bool(AShooterPlayerController*)>;

// Sends the text to every player in the world's list of controllers, in list
// order; entries whose player is gone are passed over. Throws
// std::runtime_error when there is no current world.
void BroadcastToAll(const IApiUtils& api, const FLinearRGBA& colour, const WideChar* message);

// A broadcast made ready before whatever it announces happens: the world's
// player list found, and the engine functions that reach each player known to
// be there. Sending resolves those functions anew for every player.
struct PreparedBroadcast {
    const TEngineArray<FWeakObjectPtr>* players = nullptr;
};

// Throws std::runtime_error when there is no current world, or when the list
// or either function can't be resolved.
PreparedBroadcast PrepareBroadcast(const IApiUtils& api);

// Sends the text, as BroadcastToAll does, to the prepared world's players
// for whom isRecipient is true.
void Broadcast(const PreparedBroadcast& prepared, const FLinearRGBA& colour, const WideChar* message,
               const BroadcastFilter& isRecipient);

// The players in the world's list of controllers, in list order, those who
// have left passed over. Throws std::runtime_error when there is no current
// world, or when the list or the function that reaches a player can't be
// resolved.
std::vector<AShooterPlayerController*> ConnectedPlayers(const IApiUtils& api);

// Sends the text to one player as a chat line from senderName.
void ChatToPlayer(const IApiUtils& api, AShooterPlayerController* player, const FString& senderName,
                  const WideChar* message);
