#include <dlfcn.h>

#include "core/platform/Library.h"

const char* const Platform::kPermissionsLibrary = "Permissions.so";

void* Platform::LoadLibraryByName(const char* name, std::string& error) {
    void* library = dlopen(name, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        error = dlerror();
    }
    return library;
}

void* Platform::FindExport(void* library, const char* name) {
    return dlsym(library, name);
}
