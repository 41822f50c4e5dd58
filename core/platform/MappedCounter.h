// A counter another process bumps in a small file of its own (the cluster
// companion, at every write to the feed), read from memory: asking whether it
// moved costs a load, not a system call, so the plugin can ask before every
// decision.
//
// The file is mapped read-only and known by its identity, so that the reader
// can tell when the name now stands for another file. Its writer writes the
// counter in place and never shortens the file: on POSIX, reading a mapped
// page a shortened file no longer has faults the reader. Unmapped when
// destroyed; moved, the mapping goes along.
#pragma once

#include <cstdint>
#include <filesystem>
#include <utility>

#include "core/platform/FollowedFile.h"

namespace Corvane::Platform {

// The counter's bytes at the file's start, little-endian as both platforms are.
inline constexpr std::size_t kCounterBytes = sizeof(std::uint64_t);

class MappedCounter {
public:
    MappedCounter() = default;
    MappedCounter(MappedCounter&& other) noexcept
        : view_(std::exchange(other.view_, nullptr)), identity_(std::exchange(other.identity_, {})) {}
    MappedCounter& operator=(MappedCounter&& other) noexcept {
        if (this != &other) {
            Unmap();
            view_ = std::exchange(other.view_, nullptr);
            identity_ = std::exchange(other.identity_, {});
        }
        return *this;
    }
    MappedCounter(const MappedCounter&) = delete;
    MappedCounter& operator=(const MappedCounter&) = delete;
    ~MappedCounter() { Unmap(); }

    // False, with nothing mapped, when there is no such regular file or it is
    // shorter than the counter.
    bool Map(const std::filesystem::path& file);
    bool Mapped() const { return view_ != nullptr; }
    // Which file is mapped (its size then); all zero when none is.
    const FileStatus& Identity() const { return identity_; }
    // The counter as it is now; zero when nothing is mapped. A read that
    // crosses the writer's may see part of each: it still differs from both.
    std::uint64_t Value() const { return view_ != nullptr ? *view_ : 0; }

private:
    void Unmap();

    const volatile std::uint64_t* view_ = nullptr;
    FileStatus identity_;
};

}  // namespace Corvane::Platform
