#include "core/settings/MessageLookups.h"

#include "core/settings/MessageMembers.h"
#include "core/text/FormatCheck.h"
#include "host/Velkor.h"

namespace Corvane {
namespace {

using nlohmann::json;

LookedUp<WideString> LookUpMessage(json& lookups, const MessageMember& member) {
    std::string where = "Messages/" + std::string(member.name);
    try {
        return {Velkor::Tools::Utf8Decode(
                    lookups["Messages"].value(std::string(member.name), std::string(member.whenAbsent))),
                std::move(where)};
    } catch (const json::exception&) {
        return LookedUp<WideString>::Failure(std::current_exception(), std::move(where));
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

// "Messages" is an object without the member, which takes another's setting.
bool TakesStandIn(const json& lookups, const MessageMember& member) {
    if (member.standIn == nullptr || !lookups.is_object()) {
        return false;
    }
    const auto configured = lookups.find("Messages");
    return configured != lookups.end() && configured->is_object() &&
           !configured->contains(std::string(member.name));
}

}  // namespace

void LookUpMessagesAndSwitch(json& lookups, Settings& settings) {
    Messages& messages = settings.messages;
    for (const MessageMember& member : MessagesLevel().members) {
        LookedUp<WideString>& setting = messages.*member.setting;
        if (TakesStandIn(lookups, member)) {
            setting = messages.*member.standIn;
        } else {
            setting = member.tamed ? Tamed(LookUpMessage(lookups, member)) : LookUpMessage(lookups, member);
        }
    }
    try {
        settings.printToChat = {lookups["PrintToChat"].get<bool>(), "PrintToChat"};
    } catch (const json::exception&) {
        settings.printToChat = LookedUp<bool>::Failure(std::current_exception(), "PrintToChat");
    }
}

}  // namespace Corvane
