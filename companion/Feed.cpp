#include "companion/Feed.h"

#include <fstream>
#include <system_error>

#include <fmt/format.h>

#include "companion/AuditFields.h"
#include "companion/LineHash.h"
#include "companion/Log.h"
#include "companion/platform/WrittenFiles.h"
#include "core/settings/AuditPath.h"

namespace Companion {
namespace {

std::chrono::sys_seconds Seconds(std::chrono::system_clock::time_point time) {
    return std::chrono::floor<std::chrono::seconds>(time);
}

// On Windows a plugin that has read nothing since the last rename still holds
// <name>.1 open, and a file open there can't be replaced; it can be renamed
// and deleted (the plugin shares deletion), which frees its name at once.
void RemoveRotated(const std::filesystem::path& rotated, std::chrono::system_clock::time_point now) {
    if (!Corvane::Platform::StatusOf(rotated)) {
        return;
    }
    std::filesystem::path aside = rotated;
    aside += fmt::format(".{}.old", Seconds(now).time_since_epoch().count());
    std::error_code ignored;
    std::filesystem::rename(rotated, aside, ignored);
    std::filesystem::remove(aside, ignored);
}

}  // namespace

Feed::Feed(std::filesystem::path file, std::string server, std::chrono::seconds span)
    : file_(std::move(file)),
      changes_(Corvane::FeedChangesFile(file_)),
      server_(std::move(server)),
      span_(span) {}

std::string Feed::Heartbeat(std::chrono::system_clock::time_point now) const {
    return fmt::format(R"({{"time":"{}","server":"{}","action":"heartbeat","outcome":"alive"}})",
                       UtcText(Seconds(now)), server_);
}

bool Feed::Intact() const {
    const auto status = Corvane::Platform::StatusOf(file_);
    return status && (!identity_ || status->SameFile(*identity_));
}

std::unordered_map<std::uint64_t, std::uint32_t> Feed::Held() const {
    std::unordered_map<std::uint64_t, std::uint32_t> held;
    for (unsigned number : {1U, 0U}) {
        std::ifstream stream(Corvane::RotatedAuditFile(file_, number), std::ios::binary);
        for (std::string line; std::getline(stream, line);) {
            // Ended by the file's end rather than a line break: unfinished.
            if (!stream.eof() || number == 0) {
                ++held[Fnv1a(line)];
            }
        }
    }
    return held;
}

bool Feed::Rename(std::chrono::system_clock::time_point now) {
    const std::filesystem::path rotated = Corvane::RotatedAuditFile(file_, 1);
    // Its unfinished end finished first: nothing is written to <name>.1 later.
    std::error_code failed = std::make_error_code(std::errc::io_error);
    if (AppendLines(file_, {})) {
        RemoveRotated(rotated, now);
        std::filesystem::rename(file_, rotated, failed);
    }
    if (failed) {
        // The feed grows on, and the rename is tried again at every append.
        if (!renameFailing_) {
            LogWarning(fmt::format("Can't rename the feed {}: {}; trying again at every poll",
                                   Corvane::PathText(file_), failed.message()));
        }
        renameFailing_ = true;
        return false;
    }
    renameFailing_ = false;
    identity_.reset();
    return true;
}

bool Feed::Append(const std::vector<std::string>& lines, std::chrono::system_clock::time_point now) {
    const bool exists = Corvane::Platform::StatusOf(file_).has_value();
    if (!started_) {
        // Kept across restarts by the heartbeat each new feed starts with.
        std::ifstream stream(file_, std::ios::binary);
        std::string first;
        std::getline(stream, first);
        const auto fields = ReadAuditFields(first);
        started_ = fields && fields->action == "heartbeat" && fields->server == server_ ? fields->time
                                                                                        : Seconds(now);
    }
    std::string text;
    bool fresh = !exists;
    if (exists && Seconds(now) - *started_ >= span_ && Rename(now)) {
        fresh = true;
    }
    if (fresh) {
        // A new feed starts with a heartbeat: its first line tells its age.
        started_ = Seconds(now);
        if (!lines.empty()) {
            text = Heartbeat(now) + "\n";
        }
    }
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    text += Heartbeat(now) + "\n";
    // Its folder, as the plugin makes the audit file's, when it is missing.
    std::error_code ignored;
    std::filesystem::create_directories(file_.parent_path(), ignored);
    identity_ = AppendLines(file_, text);
    if (identity_) {
        Bump();
    }
    return identity_.has_value();
}

void Feed::Bump() {
    const bool bumped = BumpCounter(changes_);
    if (!bumped && !bumpFailing_) {
        LogWarning(
            fmt::format("Can't write the feed's change counter {}: plugins read the feed's new lines "
                        "within a quarter of a second instead of at once",
                        Corvane::PathText(changes_)));
    }
    bumpFailing_ = !bumped;
}

}  // namespace Companion
