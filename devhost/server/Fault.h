// One way the host can let the plugin down during a chat line: one of its
// answers fails (devhost/events/Answers.h), or the line meets an environment
// that fails it: no permissions plugin to load, one without its query, an
// audit file on a full disk or in a folder nobody can write to, a write to it
// cut short, a rotation that can't rename it, an audit record that can't be
// read back at load.
#pragma once

#include <cstddef>
#include <string>

#include "devhost/events/Answers.h"

namespace DevHost {

struct Fault {
    enum class Kind {
        Answer,                     // the answer numbered answer (from 1) fails
        PermissionsLibraryMissing,  // the permissions plugin's library can't be loaded
        PermissionsQueryMissing,    // it loads, but exports no query
        AuditDiskFull,              // the audit file's disk is full
        AuditFolderUnwritable,      // the audit file's folder can't be written
        AuditShortWrite,            // a write to the audit file writes only part of the line
        AuditRenameFails,           // the audit file can't be renamed to rotate it
        // The plugin loads anew, the audit record unreadable as it reads it
        // back for the cooldowns, before the line: a fault of the load, not of the line.
        AuditUnreadableAtLoad,
    };
    Kind kind = Kind::Answer;
    std::size_t answer = 0;
    // Answer: what the answer is, as a run without faults gave it.
    DevHost::Answer what{};
};

// "answer 7: GetAddress(FMemory.Free) -> null", "the audit file's disk is full"
std::string Describe(const Fault& fault);

}  // namespace DevHost
