// Copies this server's audit lines to the table, exactly once and in order:
// each line is keyed by the server, the instance and its sequence number, the
// lines of a batch are inserted in one transaction that ignores a key it
// already holds, and only then is the cursor saved. A crash between the two
// copies the batch again, under the same keys, and the table keeps one of each.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "companion/AuditChain.h"
#include "companion/ClusterConfig.h"
#include "companion/Cursor.h"
#include "companion/Database.h"
#include "companion/Session.h"

namespace Companion {

struct CopyCounts {
    std::uint64_t copied = 0;
    std::uint64_t notRecords = 0;  // not JSON, no time, or an unfinished line
    std::uint64_t tooLong = 0;
};

class Copier {
public:
    explicit Copier(const ClusterConfig& config);

    // Loads the cursor and finds its place in the audit files; logs what it
    // can't find.
    void Start();
    bool NewInstance() const { return newInstance_; }
    const std::string& Instance() const { return cursor_.instance; }
    // Opens the audit files that appeared since the last look.
    void Look() { chain_.Look(); }
    // Copies one batch of the lines waiting; more is set when lines are left.
    std::optional<DatabaseFailure> CopyBatch(Session& session, CopyCounts& counts, bool& more);
    std::uint64_t TakeLinesDropped() { return chain_.TakeLinesDropped(); }

    static constexpr std::size_t kBatchBytes = std::size_t{512} * 1024;

private:
    std::string server_;
    std::filesystem::path cursorFile_;
    AuditChain chain_;
    Cursor cursor_;
    bool newInstance_ = false;
};

}  // namespace Companion
