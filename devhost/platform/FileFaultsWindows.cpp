#include <windows.h>

#include <atomic>
#include <string>

#include "devhost/platform/FileFaults.h"
#include "devhost/platform/ImportRedirect.h"

namespace {

using DevHost::Platform::FileFault;

constexpr int kNone = -1;
std::atomic<int> armed{kNone};
// Set before a fault is armed, read only while one is.
std::wstring armedFile;

// The framework's own imports, which are never redirected.
const auto systemWriteFile = &WriteFile;
const auto systemMoveFileExW = &MoveFileExW;

bool Armed(FileFault fault) {
    return armed.load(std::memory_order_acquire) == static_cast<int>(fault);
}

// By identity, not by name: the plugin may reach the file by another path.
bool IsArmedFile(HANDLE file) {
    const HANDLE target =
        CreateFileW(armedFile.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (target == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION mine{}, theirs{};
    const bool same =
        GetFileInformationByHandle(file, &mine) && GetFileInformationByHandle(target, &theirs) &&
        mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber &&
        mine.nFileIndexHigh == theirs.nFileIndexHigh && mine.nFileIndexLow == theirs.nFileIndexLow;
    CloseHandle(target);
    return same;
}

BOOL WINAPI FaultyWriteFile(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    if (Armed(FileFault::ShortWrite) && size > 1 && IsArmedFile(file)) {
        size /= 2;
    }
    return systemWriteFile(file, data, size, written, overlapped);
}

BOOL WINAPI FaultyMoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
    const HANDLE source = CreateFileW(from, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    const bool fails =
        source != INVALID_HANDLE_VALUE && Armed(FileFault::FailedRename) && IsArmedFile(source);
    if (source != INVALID_HANDLE_VALUE) {
        CloseHandle(source);
    }
    if (fails) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return systemMoveFileExW(from, to, flags);
}

// Points the imports of the program and of the plugin, when it is loaded, at
// these functions, or back at the system's.
void Redirect(const char* name, void* replacement) {
    for (HMODULE module : {GetModuleHandleW(nullptr), GetModuleHandleA(CORVANE_PLUGIN_FILE)}) {
        if (module != nullptr) {
            DevHost::Platform::RedirectImport(module, "kernel32.dll", name, replacement);
        }
    }
}

void RedirectAll(bool faulty) {
    Redirect("WriteFile", reinterpret_cast<void*>(faulty ? &FaultyWriteFile : systemWriteFile));
    Redirect("MoveFileExW", reinterpret_cast<void*>(faulty ? &FaultyMoveFileExW : systemMoveFileExW));
}

}  // namespace

void DevHost::Platform::ArmFileFault(FileFault fault, const std::filesystem::path& file) {
    armedFile = file.wstring();
    armed.store(static_cast<int>(fault), std::memory_order_release);
    RedirectAll(true);
}

void DevHost::Platform::DisarmFileFault() {
    RedirectAll(false);
    armed.store(kNone, std::memory_order_release);
}
