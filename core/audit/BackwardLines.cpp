#include "core/audit/BackwardLines.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <system_error>

#include "core/settings/AuditPath.h"

namespace Corvane {
namespace {

constexpr std::size_t kBlock = std::size_t{64} * 1024;

}  // namespace

BackwardLines::BackwardLines(const std::filesystem::path& file) {
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (!std::filesystem::exists(status)) {
        done_ = true;
        return;
    }
    const std::uintmax_t size = std::filesystem::file_size(file, error);
    if (!error) {
        stream_.open(file, std::ios::binary);
    }
    if (error || !stream_) {
        throw std::runtime_error(
            "Can't read the audit file " + PathText(file) + ": " +
            (error ? error.message() : std::generic_category().message(errno ? errno : EIO)));
    }
    unread_ = size;
    ReadBlock();
    if (!pending_.empty() && pending_.back() == '\n') {
        pending_.pop_back();  // the last line's break ends the file, not another line
    }
}

void BackwardLines::ReadBlock() {
    const std::uint64_t length = std::min<std::uint64_t>(kBlock, unread_);
    std::string block(static_cast<std::size_t>(length), '\0');
    unread_ -= length;
    stream_.seekg(static_cast<std::streamoff>(unread_));
    stream_.read(block.data(), static_cast<std::streamsize>(length));
    block.resize(static_cast<std::size_t>(std::max<std::streamsize>(stream_.gcount(), 0)));
    pending_.insert(0, block);
}

std::optional<std::string> BackwardLines::Previous() {
    while (!done_) {
        const std::size_t newline = pending_.rfind('\n');
        if (newline != std::string::npos) {
            const bool kept = !overlong_ && pending_.size() - newline - 1 <= kLongestAuditLine;
            std::string line = kept ? pending_.substr(newline + 1) : std::string();
            pending_.resize(newline);
            overlong_ = false;
            return line;
        }
        if (unread_ == 0) {
            done_ = true;
            if (pending_.empty() && !overlong_) {
                return std::nullopt;  // an empty file, or one that starts with a line break
            }
            return overlong_ || pending_.size() > kLongestAuditLine ? std::string() : std::move(pending_);
        }
        if (pending_.size() > kLongestAuditLine) {
            pending_.clear();  // no record: keep only how it ends
            overlong_ = true;
        }
        ReadBlock();
    }
    return std::nullopt;
}

}  // namespace Corvane
