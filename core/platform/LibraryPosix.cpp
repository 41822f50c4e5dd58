#include <dlfcn.h>

#include "core/platform/Library.h"

const char* const Corvane::Platform::kPermissionsLibrary = "Permissions.so";

void* Corvane::Platform::LoadLibraryByName(const char* name, std::string& error) {
    void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        error = dlerror();
    }
    return library;
}

void* Corvane::Platform::FindExport(void* library, const char* name) {
    return dlsym(library, name);
}

void Corvane::Platform::UnloadLibrary(void* library) {
    dlclose(library);
}
