#include "companion/AuditChain.h"

#include <algorithm>
#include <utility>

#include "companion/LineHash.h"
#include "core/settings/AuditPath.h"

namespace Companion {
namespace {

// A file's first line (or this much of it) tells it from a later file that
// got its identity once it was deleted: audit lines start alike, but the
// first line of two files is rarely the same.
constexpr std::uint32_t kHeadLength = 4096;
constexpr std::size_t kPiece = std::size_t{256} * 1024;

std::uint64_t SizeOf(const FollowedFile& file) {
    const std::optional<FileStatus> status = file.Status();
    return status ? status->size : 0;
}

std::uint64_t HeadHash(const FollowedFile& file, std::uint32_t length) {
    std::string head(length, '\0');
    head.resize(file.ReadAt(0, head.data(), head.size()));
    return Fnv1a(head);
}

}  // namespace

AuditChain::AuditChain(std::filesystem::path file, std::uint32_t keep)
    : file_(std::move(file)), keep_(keep) {}

AuditChain::Held AuditChain::Hold(FollowedFile file) {
    std::string head(static_cast<std::size_t>(std::min<std::uint64_t>(SizeOf(file), kHeadLength)), '\0');
    head.resize(file.ReadAt(0, head.data(), head.size()));
    head.resize(std::min(head.size(), head.find('\n') + 1));
    const auto length = static_cast<std::uint32_t>(head.size());
    return {std::move(file), Fnv1a(head), length};
}

std::vector<AuditChain::Held> AuditChain::Present() const {
    // Newest first: the plugin renames files only to higher numbers, so a
    // rotation during the look can show a file twice or leave a new one for
    // the next look, but never hide one between two others.
    std::vector<Held> present;
    for (std::uint32_t number = 0; number <= keep_; ++number) {
        FollowedFile opened;
        if (!opened.Open(Corvane::RotatedAuditFile(file_, number)) ||
            std::any_of(present.begin(), present.end(),
                        [&](const Held& held) { return held.file.Opened().SameFile(opened.Opened()); })) {
            continue;
        }
        // A file already held matters only for its place in the order.
        present.push_back(IsHeld(opened.Opened()) ? Held{std::move(opened), 0, 0} : Hold(std::move(opened)));
    }
    std::reverse(present.begin(), present.end());
    return present;
}

bool AuditChain::IsHeld(const FileStatus& identity) const {
    return std::any_of(held_.begin(), held_.end(),
                       [&](const Held& held) { return held.file.Opened().SameFile(identity); });
}

bool AuditChain::Start(const std::optional<ChainPosition>& saved) {
    const std::lock_guard lock(mutex_);
    held_.clear();
    offset_ = 0;
    std::vector<Held> present = Present();
    auto first = present.begin();
    bool found = !saved.has_value();
    if (saved) {
        const auto match = std::find_if(present.begin(), present.end(), [&](const Held& held) {
            return held.file.Opened().SameFile(saved->file) && SizeOf(held.file) >= saved->headLength &&
                   HeadHash(held.file, saved->headLength) == saved->headHash;
        });
        if (match != present.end()) {
            first = match;
            match->headHash = saved->headHash;
            match->headLength = saved->headLength;
            offset_ = saved->offset;
            found = true;
        }
    }
    for (auto held = first; held != present.end(); ++held) {
        held_.push_back(std::move(*held));
    }
    return found;
}

void AuditChain::Look() {
    const std::lock_guard lock(mutex_);
    std::vector<Held> present = Present();
    // Only what comes after the file being read is new; what comes before it
    // was read and let go. Each new file goes after the held one before it.
    auto newer = present.begin();
    if (!held_.empty()) {
        const auto front = std::find_if(present.begin(), present.end(), [&](const Held& held) {
            return held.file.Opened().SameFile(held_.front().file.Opened());
        });
        newer = front == present.end() ? present.begin() : front;
    }
    // After the front, the oldest held, whether or not it is still there.
    auto at = held_.empty() ? held_.end() : std::next(held_.begin());
    for (; newer != present.end(); ++newer) {
        const auto known = std::find_if(held_.begin(), held_.end(), [&](const Held& held) {
            return held.file.Opened().SameFile(newer->file.Opened());
        });
        if (known != held_.end()) {
            at = std::next(known);
        } else {
            at = std::next(held_.insert(at, std::move(*newer)));
        }
    }
    while (held_.size() > kMostFilesHeld) {
        DropOldest();
    }
}

void AuditChain::DropOldest() {
    const Held& oldest = held_.front();
    std::string piece(kPiece, '\0');
    for (std::uint64_t at = offset_;;) {
        const std::size_t read = oldest.file.ReadAt(at, piece.data(), piece.size());
        if (read == 0) {
            break;
        }
        linesDropped_ += static_cast<std::uint64_t>(
            std::count(piece.begin(), piece.begin() + static_cast<long>(read), '\n'));
        at += read;
    }
    held_.pop_front();
    offset_ = 0;
}

std::uint64_t AuditChain::TakeLinesDropped() {
    const std::lock_guard lock(mutex_);
    return std::exchange(linesDropped_, 0);
}

ChainPosition AuditChain::PositionIn(const Held& held, std::uint64_t offset) const {
    const FileStatus& opened = held.file.Opened();
    return {{opened.volume, opened.index, 0}, held.headHash, held.headLength, offset};
}

ChainPosition AuditChain::Current() const {
    const std::lock_guard lock(mutex_);
    return held_.empty() ? ChainPosition{} : PositionIn(held_.front(), offset_);
}

std::uint64_t AuditChain::LineEnd(const Held& held, std::uint64_t from, std::uint64_t size) {
    std::string piece(kPiece, '\0');
    while (from < size) {
        piece.resize(held.file.ReadAt(
            from, piece.data(), static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, size - from))));
        if (piece.empty()) {
            break;
        }
        const std::size_t end = piece.find('\n');
        if (end != std::string::npos) {
            return from + end;
        }
        from += piece.size();
        piece.resize(kPiece);
    }
    return size;
}

std::vector<ChainLine> AuditChain::Read(std::size_t maxBytes) {
    const std::lock_guard lock(mutex_);
    return ReadLocked(maxBytes);
}

std::vector<ChainLine> AuditChain::ReadLocked(std::size_t maxBytes) {
    std::vector<ChainLine> lines;
    std::size_t taken = 0;
    std::size_t index = 0;
    std::uint64_t offset = offset_;
    std::string piece;
    while (index < held_.size() && taken < maxBytes) {
        const Held& held = held_[index];
        const bool newest = index + 1 == held_.size();
        const std::uint64_t size = SizeOf(held.file);
        // A file cut back below what was read (a failed write undone) goes on from its end.
        offset = std::min(offset, size);
        if (index == 0) {
            offset_ = std::min(offset_, size);
        }
        if (offset == size) {
            if (newest) {
                break;
            }
            // Read to its end and rotated away: nothing more comes to it. It
            // is let go once what was read of it is kept (MoveTo), or now if
            // nothing was left to read.
            if (index == 0 && offset_ == size) {
                held_.pop_front();
                offset_ = 0;
            } else {
                ++index;
            }
            offset = 0;
            continue;
        }
        piece.resize(static_cast<std::size_t>(
            std::min<std::uint64_t>(size - offset, std::max(maxBytes - taken, kLongestLine + 1))));
        piece.resize(held.file.ReadAt(offset, piece.data(), piece.size()));
        std::size_t start = 0;
        for (std::size_t end; (end = piece.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::size_t length = end - start;
            const bool tooLong = length > kLongestLine;
            lines.push_back({tooLong ? std::string() : piece.substr(start, length), tooLong, false,
                             PositionIn(held, offset + end + 1)});
            taken += length + 1;
        }
        if (start > 0) {
            offset += start;
            continue;
        }
        // No line break: a line longer than any the plugin writes, or the end
        // of a file that is still being written or was rotated without one.
        const bool tooLong = piece.size() > kLongestLine;
        const std::uint64_t end = tooLong ? LineEnd(held, offset + piece.size(), size) : size;
        if (end == size && newest) {
            break;
        }
        const std::uint64_t after = std::min(end + 1, size);
        lines.push_back({tooLong ? std::string() : piece, tooLong, end == size, PositionIn(held, after)});
        taken += static_cast<std::size_t>(after - offset);
        offset = after;
    }
    return lines;
}

void AuditChain::MoveTo(const ChainPosition& position) {
    const std::lock_guard lock(mutex_);
    while (held_.size() > 1 && !held_.front().file.Opened().SameFile(position.file)) {
        held_.pop_front();
    }
    offset_ = position.offset;
}

}  // namespace Companion
