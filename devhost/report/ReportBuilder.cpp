#include "devhost/report/ReportBuilder.h"

#include <algorithm>

#include "core/audit/RecordedUses.h"
#include "devhost/report/ReportLine.h"

namespace DevHost::Report {
namespace {

// The turn-aways that make a run worth a look; a cooldown or a use limit is
// the player using what they may, too often.
bool IsRefusal(std::string_view outcome) {
    return outcome == "refused" || outcome == "denied" || outcome == "rejected";
}

}  // namespace

void CountIn(std::vector<std::uint64_t>& counts, std::uint32_t id, std::uint64_t count) {
    if (counts.size() <= id) {
        counts.resize(std::size_t{id} + 1);
    }
    counts[id] += count;
}

std::size_t ReportBuilder::AddFile(std::string path, std::string server) {
    files_.push_back({std::move(path), servers_.Id(server)});
    return files_.size() - 1;
}

void ReportBuilder::CountUse(std::chrono::sys_seconds time, std::uint32_t player, std::uint32_t server,
                             std::uint32_t command, std::uint32_t outcome, std::uint64_t count) {
    uses_.Add(time, server, command, outcome, count);
    CountIn(outcomeLines_, outcome, count);
    CountIn(players_.Row(player).outcomes, outcome, count);
}

LineClass ReportBuilder::CountCheatLine(KeptLine& kept, std::string_view text) {
    const ReportLine& line = kept.line;
    CountUse(line.time, kept.player, kept.server, commands_.Id(line.name), kept.outcome, 1);
    if (IsRefusal(line.outcome)) {
        runs_.Add(kept.player, kept.server, line.time);
    }
    if (line.outcome == "granted") {
        kept.hash = Corvane::LineHash(text);
        carried_.Original(kept.hash);
        return LineClass::kGranted;
    }
    return LineClass::kNotGranted;
}

LineClass ReportBuilder::CountActionLine(KeptLine& kept, std::size_t file, std::string_view text) {
    const ReportLine& line = kept.line;
    ++actions_[{line.action, kept.outcome}];
    PlayerRow& row = players_.Row(kept.player);
    if (line.action == "summary") {
        for (const auto& [outcome, count] : line.omitted) {
            const std::uint32_t id = outcomes_.Id(outcome);
            uses_.Add(line.to.value_or(line.time), kept.server, kSummaryCommand, id, count);
            CountIn(outcomeOmitted_, id, count);
            row.omitted += count;
        }
        return LineClass::kNotGranted;
    }
    ++row.otherLines;
    if (line.action == "carried") {
        ++carriedLines_;
        // A carried line whose hash can't be read stands for itself.
        kept.hash = Corvane::ParseHash(line.carries).value_or(Corvane::LineHash(text));
        carried_.Carried(kept.hash, file,
                         {line.time, kept.player, kept.server, commands_.Id(line.name), kept.outcome});
    } else if (line.action == "forgive" && line.outcome == "forgiven") {
        kept.hash = Corvane::LineHash(text);
        carried_.Original(kept.hash);
    }
    if (IsRefusal(line.outcome)) {
        runs_.Add(kept.player, kept.server, line.time);
    }
    return LineClass::kRecord;
}

void ReportBuilder::Add(std::size_t file, std::string_view text) {
    ++figures_.lines;
    File& source = files_[file];
    ++source.lines;
    auto line = ParseReportLine(text);
    if (!line) {
        ++source.invalid;
        ++figures_.invalid;
        return;
    }
    if (!range_.Holds(line->time)) {
        ++figures_.outside;
        return;
    }
    if (AlreadyMet(file, *line, text)) {
        return;
    }
    first_ = std::min(first_.value_or(line->time), line->time);
    last_ = std::max(last_.value_or(line->time), line->time);
    KeptLine kept;
    kept.order = order_++;
    kept.server = line->server.empty() ? source.server : servers_.Id(line->server);
    kept.player = players_.Id(line->steamId);
    kept.outcome = outcomes_.Id(line->outcome);
    kept.otherLeft = CutForShowing(line->character);
    players_.Name(kept.player, line->character);
    ++players_.Row(kept.player).lines;
    kept.line = std::move(*line);
    const LineClass kind =
        kept.line.action.empty() ? CountCheatLine(kept, text) : CountActionLine(kept, file, text);
    Keep(std::move(kept), kind);
}

bool ReportBuilder::AlreadyMet(std::size_t file, const ReportLine& line, std::string_view text) {
    if (line.action != "reload") {
        return false;
    }
    // Two same lines in one file are two reloads within one second.
    const auto [met, first] = reloads_.try_emplace(Corvane::LineHash(text), file);
    return !first && met->second != file;
}

void ReportBuilder::Keep(KeptLine kept, LineClass kind) {
    ReportLine& line = kept.line;
    line.cut += CutForShowing(line.command);
    for (std::string* text : {&line.error, &line.permission, &line.rule}) {
        kept.otherLeft += CutForShowing(*text);
    }
    kept_.Offer(std::move(kept), kind);
}

std::int64_t ReportBuilder::BucketSeconds() const {
    constexpr std::int64_t kHour = 3600, kDay = 86400;
    return first_ && *last_ - *first_ <= std::chrono::hours(72) ? kHour : kDay;
}

}  // namespace DevHost::Report
