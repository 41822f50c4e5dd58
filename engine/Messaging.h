// Reaching players: a coloured server text to everyone in the world, and a
// private chat line with a sender name to one player.
//
// Both take their text as a format text: it passes through FromFormat with no
// arguments first, so "{{" and "}}" arrive as single braces and any other
// brace throws fmt::format_error before anyone is sent anything.
#pragma once

#include <functional>

#include "engine/Colour.h"
#include "engine/FString.h"
#include "host/ApiUtils.h"

// Sends the text to every player in the world's list of controllers, in list
// order; entries whose player is gone are passed over. Throws
// std::runtime_error when there is no current world.
void BroadcastToAll(const IApiUtils& api, const FLinearRGBA& colour, const WideChar* message);

// BroadcastToAll to the players for whom isRecipient is true.
void BroadcastTo(const IApiUtils& api, const FLinearRGBA& colour, const WideChar* message,
                 const std::function<bool(AShooterPlayerController*)>& isRecipient);

// Sends the text to one player as a chat line from senderName.
void ChatToPlayer(const IApiUtils& api, AShooterPlayerController* player, const FString& senderName,
                  const WideChar* message);
