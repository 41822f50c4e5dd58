#include "companion/Copier.h"

#include <fmt/format.h>

#include "companion/AuditFields.h"
#include "companion/Log.h"
#include "core/settings/AuditPath.h"

namespace Companion {
namespace {

Value Optional(const std::optional<std::string>& text) {
    return text ? Value(std::string_view(*text)) : Value();
}

}  // namespace

Copier::Copier(const ClusterConfig& config)
    : server_(config.server),
      cursorFile_(CursorFile(config.auditFile, config.server)),
      chain_(config.auditFile, config.keep) {}

void Copier::Start() {
    LoadedCursor loaded = LoadCursor(cursorFile_);
    cursor_ = std::move(loaded.cursor);
    newInstance_ = loaded.fresh;
    if (loaded.damaged) {
        LogWarning(fmt::format(
            "Can't read {}: copying as a new instance, {}; lines copied before may be in the table "
            "twice, under both instances",
            Corvane::PathText(cursorFile_), cursor_.instance));
    } else if (loaded.fresh) {
        LogInfo(fmt::format("New instance {}: copying the audit files from their start", cursor_.instance));
    }
    if (loaded.fresh && !SaveCursor(cursorFile_, cursor_)) {
        LogError(
            fmt::format("Can't write {}: each start will be a new instance", Corvane::PathText(cursorFile_)));
    }
    if (!chain_.Start(cursor_.position)) {
        LogWarning(
            fmt::format("Not copied: the audit file being copied when the companion stopped is gone (renamed "
                        "past AuditRotate's Keep or deleted); its lines from byte {} on were not copied",
                        cursor_.position->offset));
    }
}

std::optional<DatabaseFailure> Copier::CopyBatch(Session& session, CopyCounts& counts, bool& more) {
    const std::vector<ChainLine> lines = chain_.Read(kBatchBytes);
    more = !lines.empty();
    if (lines.empty()) {
        return std::nullopt;
    }
    std::uint64_t seq = cursor_.seq;
    CopyCounts batch;
    bool open = false;
    for (const ChainLine& line : lines) {
        const auto fields = line.tooLong || line.unfinished ? std::nullopt : ReadAuditFields(line.text);
        if (line.tooLong || (fields && line.text.size() > kLongestAuditLine)) {
            ++batch.tooLong;
            continue;
        }
        if (!fields) {
            ++batch.notRecords;
            continue;
        }
        if (fields->server && *fields->server != server_) {
            continue;  // another server's, in a shared file
        }
        if (!open) {
            if (auto failure = session.connection.Run("START TRANSACTION")) {
                return failure;
            }
            open = true;
        }
        const std::optional<std::uint64_t> steamId = fields->steamId;
        if (auto failure = session.insert->Execute(
                {std::string_view(server_), std::string_view(cursor_.instance), ++seq, fields->time,
                 steamId ? Value(*steamId) : Value(), Optional(fields->outcome), Optional(fields->action),
                 Optional(fields->name), std::string_view(line.text)})) {
            return failure;
        }
        ++batch.copied;
    }
    if (open) {
        if (auto failure = session.connection.Run("COMMIT")) {
            return failure;
        }
    }
    cursor_.seq = seq;
    cursor_.position = lines.back().after;
    chain_.MoveTo(lines.back().after);
    if (!SaveCursor(cursorFile_, cursor_)) {
        LogError(fmt::format(
            "Can't write {}: a restart would copy these lines again (the table keeps one of each)",
            Corvane::PathText(cursorFile_)));
    }
    counts.copied += batch.copied;
    counts.notRecords += batch.notRecords;
    counts.tooLong += batch.tooLong;
    return std::nullopt;
}

}  // namespace Companion
