#include <windows.h>

#include "core/platform/Library.h"

const char* const Corvane::Platform::kPermissionsLibrary = "Permissions.dll";

void* Corvane::Platform::LoadLibraryByName(const char* name, std::string& error) {
    // Not the current directory nor PATH: a library planted there must not
    // answer permission questions.
    HMODULE library = LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (library == nullptr) {
        error = "error " + std::to_string(GetLastError());
    }
    return library;
}

void* Corvane::Platform::FindExport(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void Corvane::Platform::UnloadLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}
