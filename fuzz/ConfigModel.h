// What the plugin's configuration must give for a configuration text, worked
// out on the fuzz target's own parse of the same text: whether it loads, and
// for each lookup either its text or the JSON library's type error.
#pragma once

#include <nlohmann/json.hpp>

#include <string>

#include "host/WideChar.h"

namespace Fuzz {

// A lookup's outcome: typeError is the library's error id (302, 305, 306), or
// 0 when the lookup gives text (cut at its first NUL, as an engine string keeps it).
struct MessageOutcome {
    WideString text;
    int typeError = 0;
};

struct SwitchOutcome {
    bool value = false;
    int typeError = 0;
};

class ConfigModel {
public:
    explicit ConfigModel(const std::string& fileText);

    bool Parses() const { return parses_; }
    // what() of the library's error for a file it cannot read: its parse
    // error, or its out-of-range error 406 for a number beyond a double.
    const std::string& ParseError() const { return parseError_; }

    MessageOutcome Message(const std::string& key) const;
    SwitchOutcome PrintToChat() const;

    // True when a configured format text asks for a width or precision of
    // five digits or more: formatting it allocates gigabytes, which says
    // nothing about the plugin but stops the fuzzer.
    bool HasHugeWidth() const;

private:
    nlohmann::json document_;
    bool parses_ = false;
    std::string parseError_;
};

// The start of what() of the library's type error id: "[json.exception.type_error.302]".
std::string TypeErrorPrefix(int id);

// True when text holds a run of five or more ASCII digits.
bool HasLongDigitRun(WideStringView text);

// text up to its first NUL.
WideString CutAtNul(WideStringView text);

}  // namespace Fuzz
