#include "bench/AllocationCount.h"

#include <dlfcn.h>
#include <execinfo.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

std::atomic<std::uint64_t> allocations{0};
bool attributing = false;
thread_local bool insideAttribution = false;
std::map<std::string, std::uint64_t>* attribution = nullptr;

const char* LibraryName(const void* address) {
    Dl_info info{};
    if (dladdr(address, &info) == 0 || info.dli_fname == nullptr) {
        return nullptr;
    }
    const char* slash = std::strrchr(info.dli_fname, '/');
    return slash != nullptr ? slash + 1 : info.dli_fname;
}

void Attribute() {
    constexpr int kDepth = 24;
    void* frames[kDepth];
    const int depth = backtrace(frames, kDepth);
    std::string owner = "other";
    // Frame 0 is this program's operator new; the libraries in between belong
    // to the C++ runtime, fmt and spdlog.
    for (int i = 1; i < depth; ++i) {
        const char* name = LibraryName(frames[i]);
        if (name != nullptr && (std::strstr(name, "Corvane") || std::strstr(name, "version") ||
                                std::strstr(name, "Permissions"))) {
            owner = name;
            break;
        }
    }
    ++(*attribution)[owner];
}

void* Allocate(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (attributing && !insideAttribution) {
        insideAttribution = true;
        Attribute();
        insideAttribution = false;
    }
    if (void* block = std::malloc(size == 0 ? 1 : size)) {
        return block;
    }
    throw std::bad_alloc();
}

}  // namespace

namespace Bench {

std::uint64_t AllocationCount() {
    return allocations.load(std::memory_order_relaxed);
}

void StartAttributing() {
    static std::map<std::string, std::uint64_t> counts;
    void* warm[1];
    backtrace(warm, 1);  // its first call loads the unwinder
    counts.clear();
    attribution = &counts;
    attributing = true;
}

std::map<std::string, std::uint64_t> StopAttributing() {
    attributing = false;
    insideAttribution = true;  // the copy below is the program's own
    std::map<std::string, std::uint64_t> result = *attribution;
    insideAttribution = false;
    return result;
}

}  // namespace Bench

void* operator new(std::size_t size) {
    return Allocate(size);
}
void* operator new[](std::size_t size) {
    return Allocate(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void* block) noexcept {
    std::free(block);
}
void operator delete[](void* block) noexcept {
    std::free(block);
}
void operator delete(void* block, std::size_t) noexcept {
    std::free(block);
}
void operator delete[](void* block, std::size_t) noexcept {
    std::free(block);
}
