#include "core/gate/Replies.h"

#include "engine/FromFormat.h"
#include "engine/Messaging.h"

namespace Corvane {

FString Sender(const Settings& settings, UseFailure& failure) {
    const LookedUp<WideString>& sender = settings.messages.sender;
    return failure.At(sender.Member(), [&] { return FString::FromWide(MessageText(sender).CStr()); });
}

void SendConfiguredReply(const IApiUtils& api, AShooterPlayerController* player, const Settings& settings,
                         const LookedUp<WideString>& message, UseFailure& failure) {
    const FString sender = Sender(settings, failure);
    const FString text = failure.At(message.Member(), [&] { return MessageText(message); });
    try {
        ChatToPlayer(api, player, sender, text.CStr());
    } catch (const fmt::format_error&) {
        failure.Blame(message.Member());  // the message is the only format text here
        throw;
    }
}

void SendTextReply(const IApiUtils& api, AShooterPlayerController* player, const Settings& settings,
                   WideStringView text, UseFailure& failure) {
    const FString sender = Sender(settings, failure);
    ChatToPlayer(api, player, sender, Engine::AsFormatText(text).c_str());
}

}  // namespace Corvane
