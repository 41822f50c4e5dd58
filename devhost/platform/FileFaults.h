// Faults in the plugin's own calls on one file, the audit file: a write that
// writes only part of its bytes, a rename that fails.
//
// POSIX: the framework library defines write and rename, ahead of the C
// library in every module's lookup (as it does clock_gettime); they fail only
// on the armed file and pass every other call on. Windows: while a fault is
// armed, the plugin's and the program's imports of WriteFile and MoveFileExW
// point at functions that do the same.
#pragma once

#include <filesystem>

namespace DevHost::Platform {

enum class FileFault {
    ShortWrite,    // a write writes the first half of its bytes, and says so
    FailedRename,  // the file can't be renamed
};

// Makes the calls on file (an existing file, or one the plugin will create)
// fail as fault says, until DisarmFileFault.
void ArmFileFault(FileFault fault, const std::filesystem::path& file);
void DisarmFileFault();

// A fault armed for as long as this lives.
class ArmedFileFault {
public:
    ArmedFileFault(FileFault fault, const std::filesystem::path& file) { ArmFileFault(fault, file); }
    ArmedFileFault(const ArmedFileFault&) = delete;
    ArmedFileFault& operator=(const ArmedFileFault&) = delete;
    ~ArmedFileFault() { DisarmFileFault(); }
};

}  // namespace DevHost::Platform
