#include <windows.h>

#include "core/platform/MappedCounter.h"

namespace Corvane::Platform {

bool MappedCounter::Map(const std::filesystem::path& file) {
    Unmap();
    // Shared every way: the companion writes it while it is mapped.
    const HANDLE handle =
        CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    const void* view = nullptr;
    if (GetFileInformationByHandle(handle, &information) != 0 &&
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
        (information.nFileSizeHigh != 0 || information.nFileSizeLow >= kCounterBytes)) {
        const HANDLE mapping = CreateFileMappingW(handle, nullptr, PAGE_READONLY, 0, 0, nullptr);
        if (mapping != nullptr) {
            view = MapViewOfFile(mapping, FILE_MAP_READ, 0, 0, kCounterBytes);
            // The view keeps the mapping and the file.
            CloseHandle(mapping);
        }
    }
    CloseHandle(handle);
    if (view == nullptr) {
        return false;
    }
    view_ = static_cast<const volatile std::uint64_t*>(view);
    identity_ = {information.dwVolumeSerialNumber,
                 (std::uint64_t{information.nFileIndexHigh} << 32) | information.nFileIndexLow,
                 (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow};
    return true;
}

void MappedCounter::Unmap() {
    if (view_ != nullptr) {
        UnmapViewOfFile(const_cast<const std::uint64_t*>(view_));
        view_ = nullptr;
    }
    identity_ = {};
}

}  // namespace Corvane::Platform
