// When the audit file is rotated ("AuditRotate" in config.json): before an
// append would take it past maxBytes, the file becomes <name>.1<ext>, older
// ones move up by one, the one beyond keep is deleted, and a new file starts.
#pragma once

#include <cstdint>

namespace Corvane {

struct AuditRotation {
    std::uint64_t maxBytes = 0;
    std::uint32_t keep = 0;  // rotated files kept beside the current one
};

}  // namespace Corvane
