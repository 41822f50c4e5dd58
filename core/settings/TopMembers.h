// The members of the document itself, in the order they are read: the order
// of the problems they give.
#pragma once

#include "core/settings/MemberTable.h"
#include "core/settings/Settings.h"

namespace Corvane {

const MemberLevel<Member<Settings>>& TopLevel();

}  // namespace Corvane
