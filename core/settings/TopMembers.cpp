#include "core/settings/TopMembers.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <array>
#include <set>
#include <string>
#include <vector>

#include "core/settings/AuditMembers.h"
#include "core/settings/ClusterMembers.h"
#include "core/settings/CommandMembers.h"
#include "core/settings/MessageMembers.h"
#include "core/text/CommandText.h"

namespace Corvane {
namespace {

using nlohmann::json;
using Severity = ConfigProblem::Severity;

// PrintToChat is read by every granted use that no "Announce" decides, and a
// name the console can't read (";x") takes no entry at all: the warning
// names the commands that would fail, or those that would not.
std::string WhichGrantedUsesFail(const json& document) {
    std::vector<std::string> announced;
    std::vector<std::string> silent;  // entries without Announce
    bool othersAnnounced = false;
    const auto commands = document.find("Commands");
    if (commands != document.end() && commands->is_object()) {
        for (const auto& [key, entry] : commands->items()) {
            const bool announces = entry.is_object() && entry.contains("Announce");
            if (key == "*") {
                othersAnnounced = announces;
            } else {
                (announces ? announced : silent).push_back(key);
            }
        }
    }
    if (!othersAnnounced) {
        return announced.empty()
                   ? kNoGrantedUse
                   : fmt::format("no granted command would run but {}, whose entr{} Announce",
                                 fmt::join(announced, ", "), announced.size() == 1 ? "y sets" : "ies set");
    }
    constexpr const char* kUnreadName =
        "a granted command whose name the console can't read (such as \";x\"), which takes no entry of "
        "Commands, would not run";
    if (silent.empty()) {
        return kUnreadName;
    }
    return fmt::format("granted {} would not run ({} no Announce), nor would {}", fmt::join(silent, ", "),
                       silent.size() == 1 ? "its entry sets" : "their entries set",
                       "a command whose name the console can't read (such as \";x\")");
}

void ReadPrintToChat(ConfigReading& reading, const std::string& position, const json& value, Settings&) {
    if (!value.is_boolean()) {
        reading.Add(
            Severity::Warning, position,
            "is " + WithArticle(value) + ", not true or false: " + WhichGrantedUsesFail(reading.document));
    }
}

void PrintToChatMissing(ConfigReading& reading, const std::string& position, Settings&) {
    reading.Add(Severity::Warning, position, "missing: " + WhichGrantedUsesFail(reading.document));
}

// A list of plain command names ("Deny", "Wrappers"), each an error when it is not one.
void ReadNames(ConfigReading& reading, const std::string& position, const json& list, const char* consequence,
               std::set<std::string>& names) {
    if (!list.is_array()) {
        reading.Add(Severity::Error, position, "is " + WithArticle(list) + ", not a list of command names");
        return;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        const json& name = list[i];
        const std::string at = position + "/" + std::to_string(i);
        if (!name.is_string()) {
            reading.Add(Severity::Error, at, "is " + WithArticle(name) + ", not a command name");
        } else if (const std::string console = ConfiguredName(name.get<std::string>()); console.empty()) {
            reading.Add(Severity::Error, at, NotAName(name.get<std::string>(), consequence));
        } else {
            names.insert(console);
        }
    }
}

void ReadDeny(ConfigReading& reading, const std::string& position, const json& value, Settings& settings) {
    ReadNames(reading, position, value, "the deny list can't hold it", settings.deny);
}

void ReadWrappers(ConfigReading& reading, const std::string& position, const json& value,
                  Settings& settings) {
    ReadNames(reading, position, value, "no command would be read through it", settings.wrappers);
}

constexpr auto kControl = MemberKind::Control;
constexpr auto kMessageOrSwitch = MemberKind::MessageOrSwitch;

constexpr std::array kDocumentMembers{
    Member<Settings>{"PrintToChat", kMessageOrSwitch, ReadPrintToChat, PrintToChatMissing},
    Member<Settings>{"Messages", kMessageOrSwitch, ReadMessages, MessagesMissing},
    Member<Settings>{"AuditLog", kControl, ReadAuditLog},
    Member<Settings>{
        .name = "AuditRotate", .kind = kControl, .read = ReadAuditRotate, .then = CheckAuditFiles},
    Member<Settings>{"Cluster", kControl, ReadCluster},
    Member<Settings>{"Deny", kControl, ReadDeny},
    Member<Settings>{"Wrappers", kControl, ReadWrappers},
    Member<Settings>{.name = "Commands", .kind = kControl, .read = ReadCommands, .then = CheckCooldownsKept},
};

constexpr MemberLevel<Member<Settings>> kDocumentLevel{ConfigLevel::Top, "", nullptr, kDocumentMembers};

}  // namespace

const MemberLevel<Member<Settings>>& TopLevel() {
    return kDocumentLevel;
}

}  // namespace Corvane
