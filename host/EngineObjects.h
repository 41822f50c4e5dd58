// Engine objects the plugin only ever borrows by pointer for the length of one call.
//
// They are never constructed, copied or owned by the plugin; the engine owns
// them. The inheritance is declared so that a player controller converts to
// the controller the framework's utilities take.
#pragma once

struct UObject {
    UObject() = delete;
};
struct UWorld : UObject {};
struct AController : UObject {};
struct AShooterPlayerController : AController {};
struct AShooterGameMode : UObject {};

namespace EChatSendMode {
// How a chat line was sent; the framework passes it to chat-command handlers,
// and the plugin does not read it.
enum Type { Global };
}  // namespace EChatSendMode
