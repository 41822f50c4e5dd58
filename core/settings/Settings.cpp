#include "core/settings/Settings.h"

namespace Corvane {

const CommandSettings* Settings::SettingsFor(const std::string& name) const {
    // A text whose name the console can't read (";x") is no command to hold
    // back or announce apart; it would otherwise share one cooldown with every other.
    if (name.empty()) {
        return nullptr;
    }
    if (const auto found = commands.find(name); found != commands.end()) {
        return &found->second;
    }
    return others ? &*others : nullptr;
}

FString MessageText(const LookedUp<WideString>& message) {
    return FString::FromWide(message.Get().c_str());
}

}  // namespace Corvane
