#include "engine/Messaging.h"

#include "engine/FChatEntry.h"
#include "engine/FWeakObjectPtr.h"
#include "engine/FromFormat.h"
#include "engine/Resolve.h"
#include "host/EngineFunctions.h"

void BroadcastToAll(const IApiUtils& api, const FLinearRGBA& colour, const WideChar* message) {
    FString text = FromFormat(message);
    UWorld* world = api.CurrentWorld();
    const auto* list =
        Corvane::Engine::ResolveField<TEngineArray<FWeakObjectPtr>>(world, "UWorld.PlayerControllerList");
    const FWeakObjectPtr* entries = list->Data;
    const std::int32_t count = list->Count;
    for (std::int32_t i = 0; i < count; ++i) {
        const FWeakObjectPtr entry = entries[i];
        UObject* object = Corvane::Engine::ResolveFunction<EngineFunctions::WeakObjectPtrGet>(
            "FWeakObjectPtr.Get")(&entry, false);
        if (object == nullptr) {
            continue;  // the player has left
        }
        const FLinearRGBA colourCopy = colour;
        Corvane::Engine::ResolveFunction<EngineFunctions::ClientServerChatDirectMessage>(
            "AShooterPlayerController.ClientServerChatDirectMessage")(
            static_cast<AShooterPlayerController*>(object), &text, colourCopy, false);
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
