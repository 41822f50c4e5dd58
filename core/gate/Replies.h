// The private replies of the plugin's chat commands, each one chat line from
// the configured "Sender". A failing message takes the blame in failure.
#pragma once

#include "core/gate/UseFailure.h"
#include "core/settings/Settings.h"
#include "host/ApiUtils.h"
#include "host/WideChar.h"

namespace Corvane {

// The configured "Sender" the replies come from; a failing lookup takes the blame.
FString Sender(const Settings& settings, UseFailure& failure);

// A configured message, which is itself a format text ("NoPermissions" and
// the like): a brace in it that is not doubled raises the formatting
// library's error, and nothing is sent.
void SendConfiguredReply(const IApiUtils& api, AShooterPlayerController* player, const Settings& settings,
                         const LookedUp<WideString>& message, UseFailure& failure);

// A text of ours, or one a player typed: it reaches the player as it stands.
void SendTextReply(const IApiUtils& api, AShooterPlayerController* player, const Settings& settings,
                   WideStringView text, UseFailure& failure);

}  // namespace Corvane
