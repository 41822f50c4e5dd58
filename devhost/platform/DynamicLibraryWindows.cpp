// Windows: the loader itself delivers every notification to the plugin's
// DllMain, so the host only loads, unloads and runs threads. A failed attach
// is the loader's business too: it delivers the detach notification, unloads
// the DLL and fails LoadLibrary.
#include <windows.h>

#include <thread>

#include "devhost/platform/DynamicLibrary.h"

namespace DevHost::Platform {
namespace {

std::string ErrorText(DWORD code) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = "error " + std::to_string(code);
    if (length != 0) {
        message += ": " + std::string(text, length);
        message.erase(message.find_last_not_of(" \r\n.") + 1);
    }
    LocalFree(text);
    return message;
}

}  // namespace

void* OpenLibrary(const std::string& path, std::string& error) {
    HMODULE library = LoadLibraryA(path.c_str());
    if (library == nullptr) {
        error = "Can't load " + path + " (" + ErrorText(GetLastError()) + ")";
    }
    return library;
}

void* FindSymbol(void* library, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void CloseLibrary(void* library) {
    FreeLibrary(static_cast<HMODULE>(library));
}

bool LibraryIsLoaded(const std::string& path) {
    return GetModuleHandleA(path.c_str()) != nullptr;
}

void* LoadPlugin(const std::string& path, std::string& error) {
    HMODULE plugin = LoadLibraryA(path.c_str());
    if (plugin == nullptr) {
        const DWORD code = GetLastError();
        error = code == ERROR_DLL_INIT_FAILED ? "the plugin's attach notification failed"
                                              : "Can't load " + path + " (" + ErrorText(code) + ")";
    }
    return plugin;
}

void NotifyThread(void*, std::uint32_t) {
    // A thread that starts and ends makes the loader deliver both thread
    // notifications to every loaded DLL.
    std::thread([] {}).join();
}

void UnloadPlugin(void* plugin) {
    FreeLibrary(static_cast<HMODULE>(plugin));
}

std::string ExecutableDirectory() {
    std::string path(MAX_PATH, '\0');
    DWORD length = 0;
    while ((length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()))) ==
           path.size()) {
        path.resize(path.size() * 2);
    }
    path.resize(length);
    const auto separator = path.find_last_of("\\/");
    return separator == std::string::npos ? "." : path.substr(0, separator);
}

}  // namespace DevHost::Platform
