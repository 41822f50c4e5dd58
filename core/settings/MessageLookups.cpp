#include "core/settings/MessageLookups.h"

#include "core/text/FormatCheck.h"
#include "host/Velkor.h"

namespace Corvane {
namespace {

using nlohmann::json;

constexpr const char* kCooldownText = "You can use {1} again in {2}.";

LookedUp<WideString> LookUpMessage(json& lookups, const char* key, const char* whenAbsent) {
    std::string member = std::string("Messages/") + key;
    try {
        return {Velkor::Tools::Utf8Decode(lookups["Messages"].value(key, std::string(whenAbsent))),
                std::move(member)};
    } catch (const json::exception&) {
        return LookedUp<WideString>::Failure(std::current_exception(), std::move(member));
    }
}

// A field of a format text wider than the widest a message may ask for is
// formatted at that width, as the load's trial formats it (FormatCheck.h).
LookedUp<WideString> Tamed(LookedUp<WideString> format) {
    if (format.Fails()) {
        return format;
    }
    return {Tame(format.Get()).format, format.Member()};
}

}  // namespace

void LookUpMessagesAndSwitch(json& lookups, Settings& settings) {
    const auto configured = lookups.is_object() ? lookups.find("Messages") : lookups.end();
    const bool deniedAbsent =
        configured != lookups.end() && configured->is_object() && !configured->contains("Denied");
    Messages& messages = settings.messages;
    messages.logMsg = Tamed(LookUpMessage(lookups, "LogMsg", "No message"));
    messages.noPermissions = LookUpMessage(lookups, "NoPermissions", "No message");
    messages.sender = LookUpMessage(lookups, "Sender", "No message");
    messages.cooldown = Tamed(LookUpMessage(lookups, "Cooldown", kCooldownText));
    messages.denied = deniedAbsent ? messages.noPermissions : LookUpMessage(lookups, "Denied", "No message");
    try {
        settings.printToChat = {lookups["PrintToChat"].get<bool>(), "PrintToChat"};
    } catch (const json::exception&) {
        settings.printToChat = LookedUp<bool>::Failure(std::current_exception(), "PrintToChat");
    }
}

}  // namespace Corvane
