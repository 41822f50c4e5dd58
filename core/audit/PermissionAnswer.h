// A question asked of the permissions plugin, and its answer.
#pragma once

#include "host/WideChar.h"

namespace Corvane {

struct PermissionAnswer {
    WideString permission;
    bool held = false;
};

}  // namespace Corvane
