// Whether the program runs under Wine, which stands in for Windows but not
// in everything: a test of what only Windows itself promises says so.
#pragma once

namespace DevHost::Platform {

bool RunsUnderWine();

}  // namespace DevHost::Platform
