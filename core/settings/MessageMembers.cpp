#include "core/settings/MessageMembers.h"

#include <fmt/format.h>

#include <array>

#include "core/text/FormatCheck.h"
#include "host/Velkor.h"

namespace Corvane {
namespace {

using nlohmann::json;
using Severity = ConfigProblem::Severity;

// A command no name or Steam id holds, to see whether the entry names it
// (its first character is enough: a field may show only part of it).
constexpr WideStringView kTrialCommand = WIDE("\uE000command\uE000");

WideString TryLogMsg(WideStringView format) {
    return TrialFormat(format, WIDE("alice"), kTrialCommand, WIDE("76561198000000001"));
}

void CheckLogMsgNamesTheCommand(ConfigReading& reading, const std::string& position,
                                const WideString& formatted) {
    if (formatted.find(kTrialCommand[0]) == WideString::npos) {
        reading.Add(Severity::Warning, position,
                    "has no {1}: the gameplay log would not say which command ran");
    }
}

WideString TryCooldown(WideStringView format) {
    return TrialFormat(format, WIDE("30"), WIDE("fly"), WIDE("30 seconds"));
}

WideString TryLimit(WideStringView format) {
    return TrialFormat(format, WIDE("30"), WIDE("fly"), WIDE("30 seconds"), WIDE("5"), WIDE("1 hour"));
}

WideString TryWithoutFields(WideStringView format) {
    return TrialFormat(format);
}

constexpr const char* kNoCooldownReply = "players held back by a cooldown would get no reply";
constexpr const char* kNoDenialReply = "denied players would get no reply";
constexpr const char* kNoLimitReply = "players held back by a use limit would get no reply";

// In the order the lookups are made and the problems told.
constexpr std::array kMessages{
    MessageMember{
        .name = "LogMsg",
        .setting = &Messages::logMsg,
        .whenAbsent = "No message",
        .tamed = true,
        .standIn = nullptr,
        .whenMissing = "players and the gameplay log would see \"No message\" for every granted use",
        .whenNotText = kNoGrantedUse,
        .trial = TryLogMsg,
        .fields = "at most three fields, {0} the character name, {1} the command and {2} the Steam id",
        .checkTrial = CheckLogMsgNamesTheCommand,
    },
    MessageMember{
        .name = "NoPermissions",
        .setting = &Messages::noPermissions,
        .whenAbsent = "No message",
        .tamed = false,
        .standIn = nullptr,
        .whenMissing = "refused players would be told \"No message\"",
        .whenNotText = kNoRefusal,
        .trial = TryWithoutFields,
        .fields = "no fields",
        .checkTrial = nullptr,
    },
    MessageMember{
        .name = "Sender",
        .setting = &Messages::sender,
        .whenAbsent = "No message",
        .tamed = false,
        .standIn = nullptr,
        .whenMissing = "refusals would come from \"No message\"",
        .whenNotText = kNoRefusal,
        .trial = nullptr,
        .fields = nullptr,
        .checkTrial = nullptr,
    },
    MessageMember{
        .name = "Cooldown",
        .setting = &Messages::cooldown,
        .whenAbsent = "You can use {1} again in {2}.",
        .tamed = true,
        .standIn = nullptr,
        .whenMissing = nullptr,
        .whenNotText = kNoCooldownReply,
        .trial = TryCooldown,
        .fields =
            "at most three fields, {0} the seconds left, {1} the command and {2} the time left in words",
        .checkTrial = nullptr,
    },
    MessageMember{
        .name = "Denied",
        .setting = &Messages::denied,
        .whenAbsent = "No message",
        .tamed = false,
        .standIn = &Messages::noPermissions,
        .whenMissing = nullptr,
        .whenNotText = kNoDenialReply,
        .trial = TryWithoutFields,
        .fields = "no fields",
        .checkTrial = nullptr,
    },
    MessageMember{
        .name = "Limit",
        .setting = &Messages::limit,
        .whenAbsent = "{1} is limited to {3} uses in {4}: you can use it again in {2}.",
        .tamed = true,
        .standIn = nullptr,
        .whenMissing = nullptr,
        .whenNotText = kNoLimitReply,
        .trial = TryLimit,
        .fields = "at most five fields, {0} the seconds left, {1} the command, {2} the time left in words, "
                  "{3} the uses allowed and {4} the window in words",
        .checkTrial = nullptr,
    },
};

constexpr MemberLevel<MessageMember> kLevel{ConfigLevel::Messages, "/Messages", nullptr, kMessages};

void CheckIsText(ConfigReading& reading, const std::string& parent, const json& messages,
                 const MessageMember& member) {
    const std::string position = MemberPointer(parent, std::string(member.name));
    const auto message = messages.find(std::string(member.name));
    if (message == messages.end()) {
        if (member.whenMissing != nullptr) {
            reading.Add(Severity::Note, position, std::string("missing: ") + member.whenMissing);
        }
    } else if (!message->is_string()) {
        reading.Add(Severity::Warning, position,
                    "is " + WithArticle(*message) + ", not a text: " + member.whenNotText);
    }
}

// Warns when the message (when it is a text) asks for a field wider than any
// use should format, or when the formatting library rejects it with its
// trial's fields.
void CheckFormat(ConfigReading& reading, const std::string& parent, const json& messages,
                 const MessageMember& member) {
    const auto message = messages.find(std::string(member.name));
    if (member.trial == nullptr || message == messages.end() || !message->is_string()) {
        return;
    }
    const std::string position = MemberPointer(parent, std::string(member.name));
    const WideString format = Velkor::Tools::Utf8Decode(message->get<std::string>());
    if (Tame(format).wasWider) {
        reading.Add(Severity::Warning, position,
                    fmt::format("asks for a field width or precision above {0}: each use formats it at {0}",
                                kWidestField));
    }
    try {
        const WideString formatted = member.trial(format);
        if (member.checkTrial != nullptr) {
            member.checkTrial(reading, position, formatted);
        }
    } catch (const fmt::format_error& error) {
        reading.Add(Severity::Warning, position,
                    std::string("the formatting library rejects it (") + error.what() +
                        "): " + member.whenNotText + "; it takes " + member.fields +
                        ", and a literal brace is written {{ or }}");
    }
}

}  // namespace

const MemberLevel<MessageMember>& MessagesLevel() {
    return kLevel;
}

// Every message's type first, then every format: a text that is not one is
// the plainer mistake.
void ReadMessages(ConfigReading& reading, const std::string& position, const json& messages, Settings&) {
    if (!messages.is_object()) {
        reading.Add(
            Severity::Warning, position,
            "is " + WithArticle(messages) + ", not an object: " + kNoRefusal + " and " + kNoGrantedUse);
        return;
    }
    for (const MessageMember& member : kMessages) {
        CheckIsText(reading, position, messages, member);
    }
    for (const MessageMember& member : kMessages) {
        CheckFormat(reading, position, messages, member);
    }
    reading.CheckUnknown(messages, ConfigLevel::Messages, position);
}

void MessagesMissing(ConfigReading& reading, const std::string& position, Settings&) {
    reading.Add(Severity::Warning, position, std::string("missing: ") + kNoRefusal + " and " + kNoGrantedUse);
}

}  // namespace Corvane
