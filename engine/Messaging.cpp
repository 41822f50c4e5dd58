#include "engine/Messaging.h"

#include <stdexcept>

#include "engine/FChatEntry.h"
#include "engine/FWeakObjectPtr.h"
#include "engine/FromFormat.h"
#include "engine/Resolve.h"
#include "host/EngineFunctions.h"

void BroadcastToAll(const IApiUtils& api, const FLinearRGBA& colour, const WideChar* message) {
    BroadcastTo(api, colour, message, nullptr);
}

void BroadcastTo(const IApiUtils& api, const FLinearRGBA& colour, const WideChar* message,
                 const std::function<bool(AShooterPlayerController*)>& isRecipient) {
    FString text = FromFormat(message);
    UWorld* world = api.CurrentWorld();
    if (world == nullptr) {
        throw std::runtime_error("No current world");
    }
    const auto* list =
        Corvane::Engine::ResolveField<TEngineArray<FWeakObjectPtr>>(world, "UWorld.PlayerControllerList");
    const FWeakObjectPtr* entries = list->Data;
    const std::int32_t count = list->Count;
    for (std::int32_t i = 0; i < count; ++i) {
        const FWeakObjectPtr entry = entries[i];
        UObject* object = Corvane::Engine::ResolveFunction<EngineFunctions::WeakObjectPtrGet>(
            "FWeakObjectPtr.Get")(&entry, false);
        auto* player = static_cast<AShooterPlayerController*>(object);
        if (object == nullptr || (isRecipient && !isRecipient(player))) {
            continue;  // the player has left, or is not one of those asked for
        }
        const FLinearRGBA colourCopy = colour;
        Corvane::Engine::ResolveFunction<EngineFunctions::ClientServerChatDirectMessage>(
            "AShooterPlayerController.ClientServerChatDirectMessage")(player, &text, colourCopy, false);
    }
}

void ChatToPlayer(const IApiUtils&, AShooterPlayerController* player, const FString& senderName,
                  const WideChar* message) {
    const FString text = FromFormat(message);
    FChatEntry entry;
    entry.FromName = senderName;
    entry.Text = text;
    // The engine function owns the by-value copy made for the call.
    Corvane::Engine::ResolveFunction<EngineFunctions::ClientChatMessage>(
        "AShooterPlayerController.ClientChatMessage")(player, entry);
}
