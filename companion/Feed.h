// The feed file: other servers' granted uses and forgive lines, appended as
// they arrive, with a heartbeat after every poll. It is kept to the longest
// window and its slack by renaming it to <name>.1<ext> (replacing the
// previous one) and starting anew, never by cutting it, so that a reader's
// offset stays true.
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/platform/FollowedFile.h"

namespace Companion {

class Feed {
public:
    Feed(std::filesystem::path file, std::string server, std::chrono::seconds span);

    // Whether the feed is there, and the one this companion writes; false
    // when it is missing or another file took its name.
    bool Intact() const;
    // The lines the feed files hold now, each line's hash with its count: what
    // a refill leaves out, so that a restart doubles no line. The feed's
    // unfinished end, a write cut short, counts too: the next write finishes
    // it (AppendLines), and only an end cut just before its line break is a
    // line at all. <name>.1's never does: nothing finishes it.
    std::unordered_map<std::uint64_t, std::uint32_t> Held() const;
    // Appends lines and a heartbeat with one write, after renaming the feed
    // when its span is over; what a write cut short left is passed over as a
    // line of its own. Then bumps the feed's change counter (FeedChangesFile),
    // which tells the plugin there is something to read. False when the file
    // can't be written.
    bool Append(const std::vector<std::string>& lines, std::chrono::system_clock::time_point now);

    std::string Heartbeat(std::chrono::system_clock::time_point now) const;
    const std::filesystem::path& File() const { return file_; }

private:
    // False, logged once until it works again, when it can't be done.
    bool Rename(std::chrono::system_clock::time_point now);
    // Logged once until it works again, when it can't be done.
    void Bump();

    std::filesystem::path file_;
    std::filesystem::path changes_;
    std::string server_;
    std::chrono::seconds span_;
    std::optional<Corvane::Platform::FileStatus> identity_;
    std::optional<std::chrono::sys_seconds> started_;
    bool renameFailing_ = false;
    bool bumpFailing_ = false;
};

}  // namespace Companion
