// Loading another plugin's library at run time.
#pragma once

#include <string>

namespace Corvane::Platform {
// File name of the permissions plugin's library on this platform.
extern const char* const kPermissionsLibrary;

// The library's handle, or null with error set.
void* LoadLibraryByName(const char* name, std::string& error);
void* FindExport(void* library, const char* name);
// Lets go of a reference taken by LoadLibraryByName.
void UnloadLibrary(void* library);
}  // namespace Corvane::Platform
