#include "core/audit/ForwardLines.h"

#include <cstring>
#include <stdexcept>

#include "core/audit/BackwardLines.h"
#include "core/settings/AuditPath.h"

namespace Corvane {
namespace {

constexpr std::size_t kBuffer = std::size_t{1} << 20;

std::runtime_error Unreadable(const std::filesystem::path& file, const char* what) {
    return std::runtime_error(std::string(what) + " the audit file " + Corvane::PathText(file));
}

}  // namespace

ForwardLines::ForwardLines(const std::filesystem::path& file)
    : file_(file), stream_(file, std::ios::binary), buffer_(kBuffer) {
    if (!stream_) {
        throw Unreadable(file, "can't open");
    }
}

void ForwardLines::Refill() {
    std::size_t pending = end_ - begin_;
    if (pending > Corvane::kLongestAuditLine) {
        overlong_ = true;
        pending = 0;
    } else {
        std::memmove(buffer_.data(), buffer_.data() + begin_, pending);
    }
    begin_ = 0;
    end_ = pending;
    stream_.read(buffer_.data() + end_, static_cast<std::streamsize>(buffer_.size() - end_));
    if (stream_.bad()) {
        throw Unreadable(file_, "can't read");
    }
    const std::streamsize read = stream_.gcount();
    end_ += static_cast<std::size_t>(read);
    done_ = read == 0;
}

std::optional<std::string_view> ForwardLines::Next() {
    for (;;) {
        const char* start = buffer_.data() + begin_;
        const auto* newline = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
        if (newline == nullptr && done_) {
            if (begin_ == end_ && !overlong_) {
                return std::nullopt;
            }
            newline = buffer_.data() + end_;  // the last line, without a break
        }
        if (newline != nullptr) {
            const auto length = static_cast<std::size_t>(newline - start);
            begin_ = std::min(begin_ + length + 1, end_);
            const bool kept = !overlong_ && length <= Corvane::kLongestAuditLine;
            overlong_ = false;
            return kept ? std::string_view(start, length) : std::string_view();
        }
        Refill();
    }
}

}  // namespace Corvane
