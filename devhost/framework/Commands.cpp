// The chat-command registry and the routing of chat lines to it.
#include <list>
#include <optional>

#include "devhost/events/Answers.h"
#include "devhost/events/EventBus.h"
#include "devhost/framework/Framework.h"
#include "engine/FString.h"
#include "host/Velkor.h"

namespace {

struct Registration {
    FString command;
    ChatCommandCallback callback;
};

bool SameIgnoringAsciiCase(WideStringView a, WideStringView b) {
    const auto fold = [](WideChar c) { return (c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c; };
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) {
            return false;
        }
    }
    return true;
}

class Commands final : public ICommands {
public:
    void RegisterChatCommand(const FString& command, const ChatCommandCallback& callback) override {
        registrations_.push_back({command, callback});
    }

    bool UnregisterChatCommand(const FString& command) override {
        return std::erase_if(registrations_, [&](const Registration& r) {
                   return SameIgnoringAsciiCase(r.command.View(), command.View());
               }) != 0;
    }

    const Registration* Find(WideStringView word) const {
        for (const Registration& registration : registrations_) {
            if (SameIgnoringAsciiCase(registration.command.View(), word)) {
                return &registration;
            }
        }
        return nullptr;
    }

private:
    std::list<Registration> registrations_;
};

Commands& TheCommands() {
    static Commands commands;
    return commands;
}

}  // namespace

ICommands& Velkor::GetCommands() {
    return TheCommands();
}

namespace DevHost {

bool IsCommandRegistered(WideStringView command) {
    return TheCommands().Find(command) != nullptr;
}

RouteResult RouteChat(AShooterPlayerController* player, WideStringView line) {
    const WideStringView word = line.substr(0, line.find(WideChar{' '}));
    const Registration* registration = TheCommands().Find(word);
    if (registration == nullptr) {
        return {};
    }
    // The handler gets its own copy of the callable: it may unregister itself.
    const ChatCommandCallback callback = registration->callback;
    FString message = Corvane::Engine::detail::StringFromCharacters(line.data(), line.size());
    std::optional<std::string> failure;
    try {
        const Answers::PluginTurn turn;
        callback(player, &message, EChatSendMode::Global);
    } catch (const std::exception& error) {
        failure = error.what();
    } catch (...) {
        failure = "unknown exception";
    }
    if (failure) {
        LogError(*failure);
        TheEventBus().Publish(HandlerError{*failure});
        return {RouteResult::Outcome::Failed, *failure};
    }
    return {RouteResult::Outcome::Handled, {}};
}

}  // namespace DevHost
