#include "companion/Companion.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

#include <fmt/format.h>

#include "companion/Copier.h"
#include "companion/Feed.h"
#include "companion/Log.h"
#include "companion/Poller.h"
#include "companion/Session.h"
#include "core/settings/AuditPath.h"

namespace Companion {
namespace {

using Clock = std::chrono::steady_clock;

std::string Broken(const PollCounts& counts) {
    std::string text;
    for (const auto& [fault, count] : counts.broken) {
        text += fmt::format("{}{} {}", text.empty() ? "" : ", ", count, RowFaultName(fault));
    }
    return text;
}

class Run {
public:
    Run(const ClusterConfig& config, const RunOptions& options)
        : config_(config),
          options_(options),
          copier_(config),
          feed_(config.feedFile, config.server, config.longestWindow + kWindowSlack),
          poller_(config.server, config.longestWindow + kWindowSlack, feed_) {}

    int Go(const std::atomic<bool>& stop) {
        copier_.Start();
        ownLines_ = copier_.NewInstance() || !feed_.Intact();
        LogInfo(fmt::format("Copying {} as server {} (instance {}) to {}.{} at {}:{}; feed {}",
                            Corvane::PathText(config_.auditFile), config_.server, copier_.Instance(),
                            config_.database.name, config_.database.table, config_.database.host,
                            config_.database.port, Corvane::PathText(config_.feedFile)));
        std::jthread looker([this](const std::stop_token& stopping) {
            std::mutex mutex;
            std::condition_variable_any wake;
            std::unique_lock lock(mutex);
            while (!stopping.stop_requested()) {
                copier_.Look();
                // Woken at once by the stop, not at the end of the interval.
                wake.wait_for(lock, stopping, kLookInterval, [] { return false; });
            }
        });
        while (!stop) {
            const Clock::time_point now = Clock::now();
            if (const std::uint64_t dropped = copier_.TakeLinesDropped()) {
                LogError(fmt::format(
                    "Not copied: {} lines of an audit file the plugin deleted, held past {} files", dropped,
                    AuditChain::kMostFilesHeld));
            }
            if (!session_ && now >= nextAttempt_) {
                Connect(now);
            }
            bool more = false;
            if (session_) {
                more = Copy(now);
            }
            if (session_ && now >= nextPoll_) {
                PollOnce(now);
            }
            if (options_.untilIdle && session_ && !more && poller_.Filled()) {
                return 0;
            }
            if (!more) {
                // Until what is due next: a poll, or without a session, the next attempt.
                const Clock::time_point next = session_ ? nextPoll_ : nextAttempt_;
                std::this_thread::sleep_until(std::clamp(next, now, now + kLookInterval));
            }
        }
        return 0;
    }

private:
    void Connect(Clock::time_point now) {
        Opened opened = OpenSession(config_.database, true);
        if (!opened.session) {
            if (opened.explanation != lastProblem_) {
                LogError(fmt::format("{}; retrying, from every {} s to every {} s", opened.explanation,
                                     kFirstRetry.count(), kLongestRetry.count()));
                lastProblem_ = opened.explanation;
            }
            Down(now);
            return;
        }
        session_ = std::move(opened.session);
        if (!twinsFrom_) {
            // Rows this server's name got before this start may be this
            // server's own, from the instance before a lost audit folder.
            std::vector<Row> rows;
            if (auto failure = session_->highestId->Query({}, rows)) {
                Fail(*failure, now);
                return;
            }
            twinsFrom_ = std::stoull(rows.at(0).at(0).value_or("0"));
        }
        if (opened.created) {
            LogInfo(fmt::format("Created the tables {0} and {0}_schema", config_.database.table));
        }
        if (downSince_) {
            reconnected_ = true;
            copiedSince_ = 0;
        }
        lastProblem_.clear();
        retry_ = kFirstRetry;
    }

    void Down(Clock::time_point now) {
        session_.reset();
        if (!downSince_) {
            downSince_ = now;
        }
        reconnected_ = false;
        nextAttempt_ = now + retry_;
        retry_ = std::min<std::chrono::seconds>(retry_ * 2, kLongestRetry);
    }

    void Fail(const DatabaseFailure& failure, Clock::time_point now) {
        const std::string explanation = Explain(failure, config_.database);
        LogError(explanation);
        lastProblem_ = explanation;
        Down(now);
    }

    // Copies batches for at most a look's interval; whether lines are left.
    bool Copy(Clock::time_point now) {
        bool more = true;
        CopyCounts counts;
        while (more && Clock::now() < now + kLookInterval) {
            if (auto failure = copier_.CopyBatch(*session_, counts, more)) {
                Fail(*failure, now);
                return false;
            }
        }
        if (counts.notRecords > 0) {
            LogWarning(fmt::format("Passed over {} lines of the audit file that are no audit record",
                                   counts.notRecords));
        }
        if (counts.tooLong > 0) {
            LogWarning(
                fmt::format("Passed over {} lines of the audit file longer than 16 KiB", counts.tooLong));
        }
        copiedSince_ += counts.copied;
        if (reconnected_ && !more) {
            LogInfo(fmt::format(
                "Back in touch with the database after {} s down: {} lines copied since",
                std::chrono::duration_cast<std::chrono::seconds>(Clock::now() - *downSince_).count(),
                copiedSince_));
            reconnected_ = false;
            downSince_.reset();
        }
        return more;
    }

    void PollOnce(Clock::time_point now) {
        nextPoll_ = now + config_.poll;
        if (poller_.Filled() && !feed_.Intact()) {
            LogWarning(
                fmt::format("The feed {} is gone: writing it anew", Corvane::PathText(config_.feedFile)));
            poller_.Refill();
            ownLines_ = true;
        }
        PollCounts counts;
        const bool filling = !poller_.Filled();
        auto failure = filling ? poller_.Fill(*session_, ownLines_, copier_.Instance(), counts)
                               : poller_.Poll(*session_, counts);
        if (failure) {
            Fail(*failure, now);
            return;
        }
        if (filling && poller_.Filled()) {
            const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - now);
            LogInfo(fmt::format("Feed filled: {} lines of the last {} s{}, in {} ms", counts.lines,
                                (config_.longestWindow + kWindowSlack).count(),
                                ownLines_ ? ", this server's own among them" : "", took.count()));
            ownLines_ = false;
        }
        if (!counts.broken.empty()) {
            LogWarning(fmt::format("Kept out of the feed: rows of other servers that are broken ({})",
                                   Broken(counts)));
        }
        CheckTwins(now);
    }

    // Rows under this server's name by another instance since the last look.
    void CheckTwins(Clock::time_point now) {
        std::vector<Row> rows;
        if (auto failure = session_->highestId->Query({}, rows)) {
            Fail(*failure, now);
            return;
        }
        const std::uint64_t highest = std::stoull(rows.at(0).at(0).value_or("0"));
        if (twinsFrom_) {
            if (auto failure = session_->twins->Query({*twinsFrom_, highest, std::string_view(config_.server),
                                                       std::string_view(copier_.Instance())},
                                                      rows)) {
                Fail(*failure, now);
                return;
            }
            if (!rows.empty() && twinsWarned_.insert(rows[0][0].value_or("")).second) {
                LogWarning(
                    fmt::format("Another companion copies lines as server {} (instance {}): two servers have "
                                "one name; give each its own Cluster.Server",
                                config_.server, rows[0][0].value_or("")));
            }
        }
        twinsFrom_ = highest;
    }

    const ClusterConfig& config_;
    RunOptions options_;
    Copier copier_;
    Feed feed_;
    Poller poller_;
    std::unique_ptr<Session> session_;
    bool ownLines_ = false;
    std::string lastProblem_;
    std::chrono::seconds retry_ = kFirstRetry;
    Clock::time_point nextAttempt_{};
    Clock::time_point nextPoll_{};
    std::optional<Clock::time_point> downSince_;
    bool reconnected_ = false;
    std::uint64_t copiedSince_ = 0;
    std::optional<std::uint64_t> twinsFrom_;
    std::set<std::string> twinsWarned_;
};

}  // namespace

int RunCompanion(const ClusterConfig& config, const RunOptions& options, const std::atomic<bool>& stop) {
    Run run(config, options);
    return run.Go(stop);
}

int CheckDatabase(const ClusterConfig& config) {
    const DatabaseSettings& database = config.database;
    fmt::print("Database {} at {}:{} as user {}, table {}\n", database.name, database.host, database.port,
               database.user, database.table);
    const Opened opened = OpenSession(database, false);
    if (!opened.session) {
        fmt::print("Problem: {}\n", opened.explanation);
        return 1;
    }
    const std::string cipher = opened.session->connection.Cipher();
    fmt::print("Connection: {}\n",
               cipher.empty() ? "not encrypted" : "encrypted (" + cipher + "), certificate verified");
    fmt::print("Table: {} (schema version {}), SELECT and INSERT allowed\n", database.table, kSchemaVersion);
    fmt::print("Audit file: {}\nFeed: {}\n", Corvane::PathText(config.auditFile),
               Corvane::PathText(config.feedFile));
    return 0;
}

}  // namespace Companion
