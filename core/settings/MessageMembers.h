// The members of "Messages": every message is looked up and checked the same
// way, so a message's row holds what sets it apart rather than a function of
// its own. Its lookup at use is made once, at load (MessageLookups.h).
#pragma once

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "core/settings/ConfigReading.h"
#include "core/settings/MemberTable.h"
#include "core/settings/Settings.h"
#include "host/WideChar.h"

namespace Corvane {

// What players lose, said by the problems of the messages and the switch.
inline constexpr const char* kNoGrantedUse = "no granted command would run";
inline constexpr const char* kNoRefusal = "refused players would get no reply";

struct MessageMember {
    static constexpr MemberKind kind = MemberKind::MessageOrSwitch;

    std::string_view name;
    LookedUp<WideString> Messages::*setting;
    // What its lookup gives when the key is absent.
    const char* whenAbsent;
    // Its fields are tamed (FormatCheck.h): a format text with fields.
    bool tamed;
    // The setting it takes when "Messages" is an object without it; null: none.
    LookedUp<WideString> Messages::*standIn;
    // A note when the key is absent; null: a text of ours stands in.
    const char* whenMissing;
    // What players lose when it is not a text, or when the formatting library rejects it.
    const char* whenNotText;
    // Formats it with stand-ins for its fields as a use does; null for a text
    // that is never formatted. Throws the library's fmt::format_error.
    WideString (*trial)(WideStringView format);
    // The fields it takes, for the warning of a text the library rejects.
    const char* fields;
    // A check of the text the trial gave; null: none.
    void (*checkTrial)(ConfigReading& reading, const std::string& position, const WideString& formatted);
};

const MemberLevel<MessageMember>& MessagesLevel();

// The row of member "Messages" in the document's table.
void ReadMessages(ConfigReading& reading, const std::string& position, const nlohmann::json& messages,
                  Settings& settings);
void MessagesMissing(ConfigReading& reading, const std::string& position, Settings& settings);

}  // namespace Corvane
