// What the table keeps of an audit line beside the line itself, and which
// lines of other servers may reach the feed.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace Companion {

// Lines longer than this (16 KiB with the line break) are no audit lines.
inline constexpr std::size_t kLongestAuditLine = std::size_t{16} * 1024 - 1;

struct AuditFields {
    std::chrono::sys_seconds time;
    std::optional<std::string> server;  // the line's own server member, when it has one
    std::optional<std::uint64_t> steamId;
    std::optional<std::string> outcome;
    std::optional<std::string> action;
    std::optional<std::string> name;  // the innermost command name
};

// None when the line is no audit record: not a JSON object, or no time.
std::optional<AuditFields> ReadAuditFields(std::string_view line);

// "2026-12-07T21:57:03Z"; none when the text is not such a time.
std::optional<std::chrono::sys_seconds> ParseUtc(std::string_view text);
std::string UtcText(std::chrono::sys_seconds time);

// Why a row of another server is kept out of the feed.
enum class RowFault { None, Json, Huge, SteamId, Outcome, Server };
const char* RowFaultName(RowFault fault);

struct FeedLine {
    RowFault fault = RowFault::None;
    std::string text;  // the line for the feed, naming its server, when fault is None
};
// A row of the table as the feed may take it: a granted use or a forgive
// line, valid, naming server (the server member is added after "time" when
// the line was written without one, as before Cluster was configured).
FeedLine ToFeedLine(std::string_view line, const std::string& server);

}  // namespace Companion
