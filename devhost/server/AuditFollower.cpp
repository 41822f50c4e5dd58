#include "devhost/server/AuditFollower.h"

#include <fstream>

#include "core/settings/AuditPath.h"

namespace DevHost {
namespace fs = std::filesystem;

namespace {

// The size of a regular file; none for anything else (a device that never
// ends, say) or nothing at all.
std::optional<std::uintmax_t> SizeOf(const fs::path& file) {
    std::error_code missing;
    const std::uintmax_t size = fs::file_size(file, missing);
    return missing ? std::nullopt : std::optional(size);
}

}  // namespace

AuditFollower::Position AuditFollower::AtEnd(const fs::path& file) {
    return {file, SizeOf(file).value_or(0)};
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

void AuditFollower::ReadLines(const fs::path& file, std::uintmax_t& offset, std::vector<std::string>& lines) {
    const std::uintmax_t size = SizeOf(file).value_or(0);
    if (size <= offset) {
        return;
    }
    std::string added(static_cast<std::size_t>(size - offset), '\0');
    std::ifstream stream(file, std::ios::binary);
    stream.seekg(static_cast<std::streamoff>(offset));
    stream.read(added.data(), static_cast<std::streamsize>(added.size()));
    added.resize(static_cast<std::size_t>(stream.gcount()));
    // A last line without its break is still being written: it waits.
    for (std::size_t start = 0, end; (end = added.find('\n', start)) != std::string::npos; start = end + 1) {
        lines.push_back(added.substr(start, end - start));
        offset += end - start + 1;
    }
}

std::vector<std::string> AuditFollower::TakeNewLines() {
    std::vector<std::string> lines;
    if (followed_) {
        Position& at = *followed_;
        // Missing for now (moved away, say): it is looked at again next time.
        const std::uintmax_t size = SizeOf(at.file).value_or(at.offset);
        if (size < at.offset) {
            // Rotated, replaced or emptied: what was left of the old file first.
            const fs::path rotated = Corvane::RotatedAuditFile(at.file, 1);
            if (SizeOf(rotated).value_or(0) >= at.offset) {
                ReadLines(rotated, at.offset, lines);
            }
            at.offset = 0;
        }
        ReadLines(at.file, at.offset, lines);
    }
    if (expected_ && SizeOf(expected_->file).value_or(0) > expected_->offset) {
        followed_ = std::move(expected_);
        expected_.reset();
        ReadLines(followed_->file, followed_->offset, lines);
    }
    return lines;
}

}  // namespace DevHost
