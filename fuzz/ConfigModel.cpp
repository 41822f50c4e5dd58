#include "fuzz/ConfigModel.h"

#include <sstream>

#include "host/Velkor.h"

namespace Fuzz {

ConfigModel::ConfigModel(const std::string& fileText) {
    std::istringstream stream(fileText);
    try {
        stream >> document_;
        parses_ = true;
    } catch (const nlohmann::json::parse_error& error) {
        parseError_ = error.what();
    } catch (const nlohmann::json::out_of_range& error) {
        parseError_ = error.what();  // a number beyond the range of a double
    }
}

// The rules of the library's non-constant member access and value-or-default,
// spelled out instead of called, so a lookup here never changes the document.
MessageOutcome ConfigModel::Message(const std::string& key) const {
    if (!document_.is_null() && !document_.is_object()) {
        return {{}, 305};
    }
    const auto messages = document_.is_object() ? document_.find("Messages") : document_.end();
    if (messages == document_.end() || !messages->is_object()) {
        return {{}, 306};
    }
    const auto found = messages->find(key);
    if (found == messages->end()) {
        return {WIDE("No message"), 0};
    }
    if (!found->is_string()) {
        return {{}, 302};
    }
    return {CutAtNul(Velkor::Tools::Utf8Decode(found->get<std::string>())), 0};
}

SwitchOutcome ConfigModel::PrintToChat() const {
    if (!document_.is_null() && !document_.is_object()) {
        return {false, 305};
    }
    const auto found = document_.is_object() ? document_.find("PrintToChat") : document_.end();
    if (found == document_.end() || !found->is_boolean()) {
        return {false, 302};
    }
    return {found->get<bool>(), 0};
}

bool ConfigModel::HasHugeWidth() const {
    for (const char* key : {"LogMsg", "NoPermissions"}) {
        if (HasLongDigitRun(Message(key).text)) {
            return true;
        }
    }
    return false;
}

std::string TypeErrorPrefix(int id) {
    return "[json.exception.type_error." + std::to_string(id) + "]";
}

bool HasLongDigitRun(WideStringView text) {
    int run = 0;
    for (const WideChar c : text) {
        run = (c >= '0' && c <= '9') ? run + 1 : 0;
        if (run >= 5) {
            return true;
        }
    }
    return false;
}

WideString CutAtNul(WideStringView text) {
    return WideString(text.substr(0, text.find(WideChar{0})));
}

}  // namespace Fuzz
