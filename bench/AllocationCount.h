// Heap allocations through operator new, counted by the benchmark program's
// own replacement of the global operator new (which every library in the
// process uses). The engine allocator's blocks come from the C library and are
// not counted.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace Bench {

std::uint64_t AllocationCount();

// Who asked for the allocations made while attributing: the innermost caller
// on the stack that lies in the plugin, the framework (with the stand-in
// engine) or the permissions plugin, by library file name. Slow: for one-off
// counts only, never while timing.
void StartAttributing();
std::map<std::string, std::uint64_t> StopAttributing();

}  // namespace Bench
