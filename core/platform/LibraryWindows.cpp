#include <windows.h>

#include "Library.h"

const char* const Platform::kPermissionsLibrary = "Permissions.dll";

void* Platform::LoadLibraryByName(const char* name, std::string& error) {
    HMODULE library = LoadLibraryA(name);
    if (library == nullptr) {
        error = "error " + std::to_string(GetLastError());
    }
    return library;
}

void* Platform::FindExport(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}
