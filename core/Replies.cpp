#include "core/Replies.h"

#include "engine/FromFormat.h"
#include "engine/Messaging.h"

namespace Corvane {

void SendConfiguredReply(const IApiUtils& api, AShooterPlayerController* player, const Settings& settings,
                         const Setting<WideString>& message) {
    const FString sender = FString::FromWide(MessageText(settings.messages.sender).CStr());
    const FString text = MessageText(message);
    ChatToPlayer(api, player, sender, text.CStr());
}

void SendTextReply(const IApiUtils& api, AShooterPlayerController* player, const Settings& settings,
                   WideStringView text) {
    const FString sender = FString::FromWide(MessageText(settings.messages.sender).CStr());
    ChatToPlayer(api, player, sender, Engine::AsFormatText(text).c_str());
}

}  // namespace Corvane
