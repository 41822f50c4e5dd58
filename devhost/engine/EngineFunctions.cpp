// The engine functions that plugins resolve by name, and the name table.
#include <map>

#include "devhost/engine/Allocator.h"
#include "devhost/engine/GameWorld.h"
#include "devhost/events/Answers.h"
#include "devhost/events/EventBus.h"
#include "engine/FChatEntry.h"
#include "engine/FWeakObjectPtr.h"
#include "host/EngineFunctions.h"

namespace DevEngine {
namespace {

void* Realloc(void* block, std::uint64_t size) {
    return TheAllocator().Realloc(block, size);
}

void Free(void* block) {
    TheAllocator().Free(block);
}

void Publish(const DevHost::Event& event) {
    DevHost::TheEventBus().Publish(event);
}

// The engine console runs one line as several commands: it splits at '|'
// outside double quotes (each '"' flips the quote state) and at CR and LF
// anywhere, and runs each non-empty piece as it stands.
std::vector<WideString> SplitConsoleLine(WideStringView line) {
    std::vector<WideString> commands;
    WideString current;
    bool quoted = false;
    for (const WideChar c : line) {
        if (c == '"') {
            quoted = !quoted;
        }
        if (c == '\r' || c == '\n' || (c == '|' && !quoted)) {
            commands.push_back(std::move(current));
            current.clear();
        } else {
            current += c;
        }
    }
    commands.push_back(std::move(current));
    std::erase_if(commands, [](const WideString& command) { return command.empty(); });
    return commands;
}

void ConsoleCommand(AShooterPlayerController* player, FString* result, FString* command, bool) {
    const DevHost::Answers::HostTurn turn;
    const std::string& name = TheGameWorld().NameOf(player);
    for (WideString& text : SplitConsoleLine(command->View())) {
        Publish(DevHost::ConsoleCommandRun{name, std::move(text)});
    }
    *result = FString::FromWide(WIDE("done"));
}

void PrintToGameplayLog(AShooterGameMode* gameMode, FString* message) {
    const DevHost::Answers::HostTurn turn;
    TheGameWorld().CheckGameMode(gameMode);
    Publish(DevHost::GameplayLogEntry{WideString(message->View())});
}

DevHost::ChatText TextOf(const FString& text) {
    return {WideString(text.View()), text.Chars().Data != nullptr};
}

void ClientChatMessage(AShooterPlayerController* player, FChatEntry entry) {
    // The record is the engine's now; freeing its strings is the engine's work.
    const DevHost::Answers::HostTurn turn;
    Publish(DevHost::PrivateMessage{
        TheGameWorld().NameOf(player), TextOf(entry.FromName), TextOf(entry.AuxText1), TextOf(entry.AuxText2),
        TextOf(entry.Text), TextOf(entry.AuxText3), TextOf(entry.AuxText4), entry.AuxWord1, entry.AuxWord2,
        entry.AuxWord3, entry.AuxReal, entry.AuxByte1, entry.AuxByte2, entry.AuxObject});
}

void ClientServerChatDirectMessage(AShooterPlayerController* player, FString* message, FLinearRGBA colour,
                                   bool flag) {
    Publish(DevHost::Broadcast{TheGameWorld().NameOf(player), WideString(message->View()), colour, flag});
}

UObject* WeakObjectPtrGet(const FWeakObjectPtr* weak, bool) {
    if (DevHost::TheAnswers().Fails(DevHost::Answer::Kind::WeakReference)) {
        return nullptr;
    }
    return TheGameWorld().Resolve(*weak);
}

template <class Shape>
void* Address(Shape function) {
    return reinterpret_cast<void*>(function);
}

}  // namespace

void* EngineSymbol(const std::string& name) {
    static const std::map<std::string, void*, std::less<>> symbols = {
        {"FMemory.Realloc", Address<EngineFunctions::Realloc>(&Realloc)},
        {"FMemory.Free", Address<EngineFunctions::Free>(&Free)},
        {"AShooterPlayerController.ConsoleCommand",
         Address<EngineFunctions::ConsoleCommand>(&ConsoleCommand)},
        {"AShooterGameMode.PrintToGameplayLog",
         Address<EngineFunctions::PrintToGameplayLog>(&PrintToGameplayLog)},
        {"AShooterPlayerController.ClientChatMessage",
         Address<EngineFunctions::ClientChatMessage>(&ClientChatMessage)},
        {"AShooterPlayerController.ClientServerChatDirectMessage",
         Address<EngineFunctions::ClientServerChatDirectMessage>(&ClientServerChatDirectMessage)},
        {"FWeakObjectPtr.Get", Address<EngineFunctions::WeakObjectPtrGet>(&WeakObjectPtrGet)},
    };
    const auto found = symbols.find(name);
    return found == symbols.end() ? nullptr : found->second;
}

}  // namespace DevEngine
