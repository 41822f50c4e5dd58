// The lookups of "Messages" and "PrintToChat" that the gate makes at use,
// made once at load and kept as settings (LookedUp.h): a member they miss is
// added to the reader's copy of the document as null, as the lookups at use
// would add it, and the JSON library's type errors are kept to be raised at use.
#pragma once

#include <nlohmann/json.hpp>

#include "core/settings/Settings.h"

namespace Corvane {

// lookups: a copy of the document, which the lookups may change.
void LookUpMessagesAndSwitch(nlohmann::json& lookups, Settings& settings);

}  // namespace Corvane
