#include "engine/Messaging.h"

#include <stdexcept>

#include "engine/FChatEntry.h"
#include "engine/FromFormat.h"
#include "engine/Resolve.h"
#include "host/EngineFunctions.h"

namespace {

constexpr const char* kWeakGet = "FWeakObjectPtr.Get";
constexpr const char* kDirectMessage = "AShooterPlayerController.ClientServerChatDirectMessage";

const TEngineArray<FWeakObjectPtr>* PlayerList(const IApiUtils& api) {
    UWorld* world = api.CurrentWorld();
    if (world == nullptr) {
        throw std::runtime_error("No current world");
    }
    return Corvane::Engine::ResolveField<TEngineArray<FWeakObjectPtr>>(world, "UWorld.PlayerControllerList");
}

void SendToPlayers(const TEngineArray<FWeakObjectPtr>& list, FString& text, const FLinearRGBA& colour,
                   const BroadcastFilter& isRecipient) {
    const FWeakObjectPtr* entries = list.Data;
    const std::int32_t count = list.Count;
    for (std::int32_t i = 0; i < count; ++i) {
        const FWeakObjectPtr entry = entries[i];
        UObject* object =
            Corvane::Engine::ResolveFunction<EngineFunctions::WeakObjectPtrGet>(kWeakGet)(&entry, false);
        auto* player = static_cast<AShooterPlayerController*>(object);
        if (object == nullptr || (isRecipient && !isRecipient(player))) {
            continue;  // the player has left, or is not one of those asked for
        }
        const FLinearRGBA colourCopy = colour;
        Corvane::Engine::ResolveFunction<EngineFunctions::ClientServerChatDirectMessage>(kDirectMessage)(
            player, &text, colourCopy, false);
    }
}

}  // namespace

void BroadcastToAll(const IApiUtils& api, const FLinearRGBA& colour, const WideChar* message) {
    FString text = FromFormat(message);
    SendToPlayers(*PlayerList(api), text, colour, nullptr);
}

PreparedBroadcast PrepareBroadcast(const IApiUtils& api) {
    PreparedBroadcast prepared{PlayerList(api)};
    Corvane::Engine::ResolveFunction<EngineFunctions::WeakObjectPtrGet>(kWeakGet);
    Corvane::Engine::ResolveFunction<EngineFunctions::ClientServerChatDirectMessage>(kDirectMessage);
    return prepared;
}

void Broadcast(const PreparedBroadcast& prepared, const FLinearRGBA& colour, const WideChar* message,
               const BroadcastFilter& isRecipient) {
    FString text = FromFormat(message);
    SendToPlayers(*prepared.players, text, colour, isRecipient);
}

std::vector<AShooterPlayerController*> ConnectedPlayers(const IApiUtils& api) {
    const TEngineArray<FWeakObjectPtr>& list = *PlayerList(api);
    const auto get = Corvane::Engine::ResolveFunction<EngineFunctions::WeakObjectPtrGet>(kWeakGet);
    std::vector<AShooterPlayerController*> players;
    for (std::int32_t i = 0; i < list.Count; ++i) {
        const FWeakObjectPtr entry = list.Data[i];
        if (UObject* object = get(&entry, false)) {
            players.push_back(static_cast<AShooterPlayerController*>(object));
        }
    }
    return players;
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
