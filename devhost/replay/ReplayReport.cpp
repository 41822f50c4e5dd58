#include "devhost/replay/ReplayReport.h"

#include <fmt/format.h>
#include <fmt/ranges.h>

#include <set>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/text/CommandText.h"
#include "engine/WideText.h"

namespace DevHost {
namespace {

using nlohmann::ordered_json;

constexpr std::size_t kShownCharacters = 200;
constexpr const char* kOutcomes[] = {"granted", "cooldown", "limit",  "refused",
                                     "denied",  "rejected", "failed", kUnknown};

// "1 line", "2 lines".
std::string Counted(std::size_t count, const char* thing) {
    return fmt::format("{} {}{}", count, thing, count == 1 ? "" : "s");
}

// The outcomes of the set, in the order of kOutcomes.
std::vector<std::string> InOrder(const std::set<std::string>& outcomes) {
    std::vector<std::string> ordered;
    for (const char* outcome : kOutcomes) {
        if (outcomes.contains(outcome)) {
            ordered.emplace_back(outcome);
        }
    }
    return ordered;
}

}  // namespace

void ReplayReport::Add(const Corvane::AuditEntry& entry, const Replayed& replayed) {
    ++replayed_;
    ++counts_[{entry.outcome, replayed.outcome}];
    if (replayed.outcome == entry.outcome) {
        return;
    }
    ++(replayed.outcome == kUnknown ? unknown_ : changed_);
    PrintChange(entry, replayed);
}

std::size_t ReplayReport::PassedOver() const {
    std::size_t lines = 0;
    for (const auto& [name, count] : passedOver_) {
        lines += count;
    }
    return lines;
}

void ReplayReport::PrintChange(const Corvane::AuditEntry& entry, const Replayed& replayed) {
    if (json_) {
        ordered_json change = {{"time", Corvane::UtcText(entry.time)},
                               {"steamId", std::to_string(entry.steamId)},
                               {"command", Corvane::Engine::ToUtf8(entry.command)},
                               {"old", entry.outcome},
                               {"new", replayed.outcome},
                               {"reason", replayed.reason}};
        if (!replayed.rule.empty()) {
            change["rule"] = replayed.rule;
        }
        if (!replayed.permission.empty()) {
            change["permission"] = replayed.permission;
        }
        if (replayed.announce) {
            change["announce"] = *replayed.announce;
        }
        out_ << Corvane::Engine::EscapeInvisibleInJson(
                    change.dump(-1, ' ', false, ordered_json::error_handler_t::replace))
             << '\n';
        return;
    }
    // Tab-separated: a tab in the command or the reason is shown as \t.
    const std::string rule = replayed.rule.empty() ? "" : " (" + replayed.rule + ")";
    out_ << Corvane::UtcText(entry.time) << '\t' << entry.steamId << '\t' << entry.outcome << " -> "
         << replayed.outcome << '\t' << Corvane::LogExcerpt(entry.command, kShownCharacters) << '\t'
         << Corvane::Engine::EscapeForLog(replayed.reason + rule) << '\n';
}

void ReplayReport::Finish() {
    if (json_) {
        ordered_json outcomes = ordered_json::object();
        for (const auto& [pair, count] : counts_) {
            outcomes[pair.first][pair.second] = count;
        }
        const ordered_json summary = {{"replayed", replayed_},      {"changed", changed_},
                                      {"unknown", unknown_},        {"skipped", skipped_},
                                      {"passedOver", PassedOver()}, {"passedOverByName", passedOver_},
                                      {"outcomes", outcomes}};
        out_ << Corvane::Engine::EscapeInvisibleInJson(summary.dump()) << '\n';
        out_.flush();
        return;
    }
    PrintSummary();
}

void ReplayReport::PrintSummary() {
    out_ << fmt::format("{} replayed: {} would change, {} can't be told\n", Counted(replayed_, "decision"),
                        changed_, unknown_);
    if (skipped_ > 0) {
        out_ << fmt::format("{} skipped: not audit lines\n", Counted(skipped_, "line"));
    }
    if (!passedOver_.empty()) {
        std::vector<std::string> names;
        for (const auto& [name, count] : passedOver_) {
            names.push_back(fmt::format("{} {}", count, Corvane::Engine::EscapeForLog(name)));
        }
        out_ << fmt::format("{} passed over: {}\n", Counted(PassedOver(), "line"), fmt::join(names, ", "));
    }
    // Every outcome met is a column, so that what stays the same runs down the diagonal.
    std::set<std::string> olds;
    std::set<std::string> all;
    for (const auto& [outcomes, count] : counts_) {
        olds.insert(outcomes.first);
        all.insert({outcomes.first, outcomes.second});
    }
    const std::vector<std::string> rows = InOrder(olds);
    const std::vector<std::string> columns = InOrder(all);
    if (rows.empty()) {
        out_.flush();
        return;
    }
    out_ << fmt::format("{:<10}", "old \\ new");
    for (const std::string& column : columns) {
        out_ << fmt::format(" {:>9}", column);
    }
    out_ << '\n';
    for (const std::string& row : rows) {
        out_ << fmt::format("{:<10}", row);
        for (const std::string& column : columns) {
            const auto found = counts_.find({row, column});
            out_ << fmt::format(" {:>9}", found == counts_.end() ? 0 : found->second);
        }
        out_ << '\n';
    }
    out_.flush();
}

}  // namespace DevHost
