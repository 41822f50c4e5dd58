#include "devhost/server/AuditFollower.h"

#include "core/settings/AuditPath.h"

namespace DevHost {
namespace fs = std::filesystem;
using Corvane::Platform::FileStatus;
using Corvane::Platform::StatusOf;

AuditFollower::Position AuditFollower::AtEnd(const fs::path& file) {
    const std::optional<FileStatus> status = StatusOf(file);
    return {file, status ? status->size : 0, status};
}

void AuditFollower::Follow(const fs::path& file) {
    followed_.reset();
    if (!file.empty()) {
        followed_ = AtEnd(file);
    }
}

void AuditFollower::Expect(const fs::path& file) {
    expected_.reset();
    if (!file.empty() && (!followed_ || file != followed_->file)) {
        expected_ = AtEnd(file);
    }
}

void AuditFollower::ReadLines(const fs::path& path, Position& at, std::vector<std::string>& lines) {
    Corvane::Platform::FollowedFile file;
    std::optional<FileStatus> status;
    if (!file.Open(path) || !(status = file.Status()) || !at.identity || !status->SameFile(*at.identity) ||
        status->size <= at.offset) {
        return;
    }
    std::string added(static_cast<std::size_t>(status->size - at.offset), '\0');
    added.resize(file.ReadAt(at.offset, added.data(), added.size()));
    // A last line without its break is still being written: it waits.
    for (std::size_t start = 0, end; (end = added.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(added.substr(start, end - start));
        at.offset += end - start + 1;
    }
}

std::vector<std::string> AuditFollower::TakeNewLines() {
    std::vector<std::string> lines;
    if (followed_) {
        Position& at = *followed_;
        // Missing for now (moved away, say): it is looked at again next time.
        const std::optional<FileStatus> current = StatusOf(at.file);
        const bool replaced = current && at.identity && !current->SameFile(*at.identity);
        if (replaced) {
            // Rotated or replaced: what was left of the old file first.
            ReadLines(Corvane::RotatedAuditFile(at.file, 1), at, lines);
        }
        if (current && (replaced || !at.identity || current->size < at.offset)) {
            at = {at.file, 0, current};
        }
        ReadLines(at.file, at, lines);
    }
    if (expected_) {
        const std::optional<FileStatus> grown = StatusOf(expected_->file);
        if (grown && grown->size > expected_->offset) {
            followed_ = std::move(expected_);
            expected_.reset();
            if (!followed_->identity || !grown->SameFile(*followed_->identity)) {
                *followed_ = {followed_->file, 0, grown};
            }
            ReadLines(followed_->file, *followed_, lines);
        }
    }
    return lines;
}

}  // namespace DevHost
