// What the plugin's configuration must give for a configuration text, worked
// out on the fuzz target's own parse of the same text: whether it loads, for
// each lookup either its text or the JSON library's type error, and the
// operator's controls (audit file, deny list, per-command settings) it applies.
#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "host/WideChar.h"

namespace Fuzz {

// A lookup's outcome: typeError is the library's error id (302, 305, 306), or
// 0 when the lookup gives text (cut at its first NUL, as an engine string keeps
// it; LogMsg's and Cooldown's fields wider than 1,000 at 1,000).
struct MessageOutcome {
    WideString text;
    int typeError = 0;
};

struct SwitchOutcome {
    bool value = false;
    int typeError = 0;
};

enum class AnnounceMode { All, None, Admins };

// What one argument must be. "at" is the JSON pointer of the rule; a denial
// names it with the member that failed after it.
struct ArgumentRuleModel {
    std::string at;
    std::optional<double> least;      // "Min"
    std::optional<double> most;       // "Max"
    bool whole = false;               // "Whole"
    std::vector<WideString> allowed;  // "Allow": patterns, empty when absent
    bool ownPermission = false;       // "Permission"
};

// One entry of "Commands".
struct CommandModel {
    double cooldownSeconds = 0;
    std::optional<AnnounceMode> announce;  // when unset, PrintToChat decides
    std::string at;                        // "/Commands/<key>", the key as written
    std::optional<double> mostArguments;
    // By the argument's place; a place with no rule is not there.
    std::map<std::size_t, ArgumentRuleModel> rules;

    bool HasRules() const { return mostArguments || !rules.empty(); }
};

class ConfigModel {
public:
    explicit ConfigModel(const std::string& fileText);

    bool Parses() const { return parses_; }
    // what() of the library's error for a file it cannot read: its parse
    // error, or its out-of-range error 406 for a number beyond a double.
    const std::string& ParseError() const { return parseError_; }
    // The JSON pointers of the controls that can't apply as written, and of
    // unknown members the plugin takes for a control; the plugin's one error
    // line at load names one of them.
    const std::set<std::string>& Malformed() const { return malformed_; }
    bool Loads() const { return parses_ && malformed_.empty(); }
    // The JSON pointers of members the plugin does not read, at the top and
    // in "Messages", that it does not take for a control.
    const std::set<std::string>& Unknown() const { return unknown_; }

    MessageOutcome Message(const std::string& key, const char* whenMissing = "No message") const;
    SwitchOutcome PrintToChat() const;
    // True when "Messages" is an object that holds key.
    bool HasMessage(const std::string& key) const;

    // "AuditLog", when it names a file: a text that is not empty.
    const std::optional<std::string>& AuditLog() const { return auditLog_; }
    // False when "AuditLog" is a text that could name a file outside the
    // plugin's folder, one that can't be a file, or one that depends on what
    // other inputs left behind: anything but relative names joined by '/'.
    bool AuditLogStaysInPluginFolder() const { return auditStaysInside_; }
    // Names as the console reads them (lower case).
    bool Denies(const std::string& name) const { return deny_.contains(name); }
    bool Wraps(const std::string& name) const { return wrappers_.contains(name); }
    // The entry that applies to name: its own, else "*"; null when neither.
    const CommandModel* SettingsFor(const std::string& name) const;

    // True when a configured format text asks for a width or precision of
    // five digits or more: formatting it allocates gigabytes, which says
    // nothing about the plugin but stops the fuzzer.
    bool HasHugeWidth() const;

private:
    void ReadControls();
    void ReadNames(const std::string& where, const nlohmann::json& list, std::set<std::string>& names);
    void ReadRotation(const nlohmann::json& rotate);
    void FindRepeats(const std::string& firstValue);
    void ReadCommands(const nlohmann::json& commands);
    CommandModel ReadEntry(const std::string& where, const nlohmann::json& entry);
    void ReadRules(const std::string& where, const nlohmann::json& list, CommandModel& settings);
    ArgumentRuleModel ReadRule(const std::string& where, const nlohmann::json& rule);
    std::vector<WideString> ReadPatterns(const std::string& where, const nlohmann::json& list);

    nlohmann::json document_;
    bool parses_ = false;
    std::string parseError_;
    std::set<std::string> malformed_;
    std::set<std::string> unknown_;
    std::optional<std::string> auditLog_;
    bool auditStaysInside_ = true;
    std::set<std::string> deny_;
    std::set<std::string> wrappers_;
    std::map<std::string, CommandModel> commands_;
    std::optional<CommandModel> others_;
};

// The start of what() of the library's type error id: "[json.exception.type_error.302]".
std::string TypeErrorPrefix(int id);

// True when text holds a run of five or more ASCII digits.
bool HasLongDigitRun(WideStringView text);

// text up to its first NUL.
WideString CutAtNul(WideStringView text);

}  // namespace Fuzz
