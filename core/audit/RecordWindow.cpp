#include "core/audit/RecordWindow.h"

#include <algorithm>

namespace Corvane {
namespace {

void Widen(RecordWindow& window, const CommandSettings& command) {
    window.length = std::max(window.length, command.cooldown);
    if (command.maxUses) {
        window.length = std::max(window.length, command.maxUses->per);
        window.uses = std::max<std::size_t>(window.uses, command.maxUses->count);
    }
    for (const Tier& tier : command.tiers) {
        window.length = std::max(window.length, tier.cooldown.value_or(window.length));
        if (tier.maxUses) {
            window.uses = std::max<std::size_t>(window.uses, tier.maxUses->count);
        }
    }
}

}  // namespace

RecordWindow WindowOf(const Settings& settings) {
    RecordWindow window{{}, 1, settings.wrappers};
    for (const auto& [name, command] : settings.commands) {
        Widen(window, command);
    }
    if (settings.others) {
        Widen(window, *settings.others);
    }
    return window;
}

}  // namespace Corvane
