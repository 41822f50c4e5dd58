#include "core/audit/RecordWindow.h"

#include <algorithm>

namespace Corvane {

RecordWindow WindowOf(const Settings& settings) {
    RecordWindow window{{}, settings.wrappers};
    for (const auto& [name, command] : settings.commands) {
        window.length = std::max(window.length, command.cooldown);
    }
    if (settings.others) {
        window.length = std::max(window.length, settings.others->cooldown);
    }
    return window;
}

}  // namespace Corvane
