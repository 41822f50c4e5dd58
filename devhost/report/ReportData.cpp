// The page's data: one JSON object, which the page's script reads. Times are
// seconds since 1970 (UTC); outcomes, servers and command names are numbers
// into the lists that name them.
//
//   generated, range [from|null, to|null], first, last (null without lines)
//   servers [name], outcomes [word], files [[path, server, lines, invalid]]
//   figures {lines, invalid, outside, shown, leftOut}
//   outcomeCounts [[outcome, lines, omitted]]: /cheat lines (carried uses
//     counted once among them), and turn-aways only the flood control's
//     summary lines counted
//   actions [[action, outcome, lines]]: every line with an action
//   carried [carried lines, granted uses counted from them]
//   commands [[name, uses, [[outcome, uses]]]], the most used first;
//     commandsLeftOut: names not listed; chartCommands: how many of the
//     first commands the uses name by their place, the next number standing
//     for every other name and the one after it for the summaries' counts
//   bucket (3600 or 86400), bucketStart, uses [[bucket, server, command, outcome, count]]
//   players [[steamId, [names], more names, [[outcome, lines]], omitted, other lines, lines, shown]]
//   lines [[time, player, server, action, outcome, character, command,
//     characters not shown, innermost name, {the members a line has beside}]], oldest first
//   runs [[player, server, from, to, lines]], most recent first; runsLeftOut
//   caps [recent, notGranted, record, shown characters], runRule [lines, gap]
#include <algorithm>
#include <numeric>

#include "devhost/report/JsonWriter.h"
#include "devhost/report/ReportBuilder.h"

namespace DevHost::Report {
namespace {

// Commands shown by name in the table; the rest are counted.
constexpr std::size_t kCommandsListed = 500;
// Commands the charts can follow one by one; the others share one entry.
constexpr std::size_t kChartCommands = 30;

std::int64_t Seconds(std::chrono::sys_seconds time) {
    return time.time_since_epoch().count();
}

void Time(JsonWriter& json, const std::optional<std::chrono::sys_seconds>& time) {
    if (time) {
        json.Number(Seconds(*time));
    } else {
        json.Null();
    }
}

void Counts(JsonWriter& json, const std::vector<std::uint64_t>& counts) {
    json.Array();
    for (std::size_t id = 0; id < counts.size(); ++id) {
        if (counts[id] != 0) {
            json.Array().Number(std::uint64_t{id}).Number(counts[id]).End();
        }
    }
    json.End();
}

void Member(JsonWriter& json, std::string_view name, const std::string& text) {
    if (!text.empty()) {
        json.Key(name).String(text);
    }
}

}  // namespace

void ReportBuilder::WriteCommands(JsonWriter& json, std::vector<std::uint32_t>& chartIds) {
    const std::size_t names = commands_.Words().size();
    std::vector<std::vector<std::uint64_t>> byOutcome(names);
    std::vector<std::uint64_t> totals(names);
    for (const auto& [cell, count] : uses_.Cells()) {
        if (cell.command != kSummaryCommand) {
            CountIn(byOutcome[cell.command], cell.outcome, count);
            totals[cell.command] += count;
        }
    }
    std::vector<std::uint32_t> order(names);
    std::iota(order.begin(), order.end(), 0U);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return totals[a] != totals[b] ? totals[a] > totals[b] : commands_.Words()[a] < commands_.Words()[b];
    });
    chartIds.assign(names, kChartCommands);
    json.Key("commands").Array();
    for (std::size_t rank = 0; rank < std::min(names, kCommandsListed); ++rank) {
        const std::uint32_t id = order[rank];
        if (rank < kChartCommands) {
            chartIds[id] = static_cast<std::uint32_t>(rank);
        }
        json.Array().String(commands_.Words()[id]).Number(totals[id]);
        Counts(json, byOutcome[id]);
        json.End();
    }
    json.End();
    json.Key("commandsLeftOut").Number(std::uint64_t{names - std::min(names, kCommandsListed)});
    json.Key("chartCommands").Number(std::uint64_t{std::min(names, kChartCommands)});
}

void ReportBuilder::WriteUses(JsonWriter& json, const std::vector<std::uint32_t>& chartIds) {
    const std::int64_t bucket = BucketSeconds();
    const std::int64_t start = first_ ? Seconds(*first_) / bucket * bucket : 0;
    const auto chartCommands = static_cast<std::uint32_t>(std::min(chartIds.size(), kChartCommands));
    std::map<std::tuple<std::int64_t, std::uint32_t, std::uint32_t, std::uint32_t>, std::uint64_t> cells;
    for (const auto& [cell, count] : uses_.Cells()) {
        const std::uint32_t command = cell.command == kSummaryCommand            ? chartCommands + 1
                                      : chartIds[cell.command] == kChartCommands ? chartCommands
                                                                                 : chartIds[cell.command];
        cells[{(cell.hour * 3600 - start) / bucket, cell.server, command, cell.outcome}] += count;
    }
    json.Key("bucket").Number(bucket).Key("bucketStart").Number(start).Key("uses").Array();
    for (const auto& [cell, count] : cells) {
        const auto& [index, server, command, outcome] = cell;
        json.Array().Number(index).Number(std::uint64_t{server}).Number(std::uint64_t{command});
        json.Number(std::uint64_t{outcome}).Number(count).End();
    }
    json.End();
}

void ReportBuilder::WritePlayers(JsonWriter& json, const std::vector<KeptLine>& lines) {
    std::vector<std::uint64_t> shown(players_.Rows().size());
    for (const KeptLine& kept : lines) {
        ++shown[kept.player];
    }
    json.Key("players").Array();
    for (std::size_t id = 0; id < shown.size(); ++id) {
        const PlayerRow& row = players_.Rows()[id];
        json.Array().String(row.steamId).Array();
        for (const std::string& name : row.names) {
            json.String(name);
        }
        json.End().Number(std::uint64_t{row.moreNames ? 1U : 0U});
        Counts(json, row.outcomes);
        json.Number(row.omitted).Number(row.otherLines).Number(row.lines).Number(shown[id]).End();
    }
    json.End();
}

void ReportBuilder::WriteLines(JsonWriter& json, const std::vector<KeptLine>& lines) {
    json.Key("lines").Array();
    for (const KeptLine& kept : lines) {
        const ReportLine& line = kept.line;
        json.Array().Number(Seconds(line.time)).Number(std::uint64_t{kept.player});
        json.Number(std::uint64_t{kept.server}).String(line.action).Number(std::uint64_t{kept.outcome});
        json.String(line.character).String(line.command).Number(line.cut).String(line.name).Object();
        Member(json, "permission", line.permission);
        Member(json, "rule", line.rule);
        Member(json, "error", line.error);
        Member(json, "reading", line.reading);
        Member(json, "forgiven", line.forgiven);
        Member(json, "forgivenName", line.forgivenName);
        Member(json, "auditLog", line.auditLog);
        Member(json, "previousAuditLog", line.previousAuditLog);
        if (line.action == "carried") {
            json.Key("carries")
                .String(line.carries)
                .Key("original")
                .Number(std::uint64_t{carried_.HasOriginal(kept.hash) ? 1U : 0U});
        }
        if (line.from || line.to) {
            json.Key("from");
            Time(json, line.from);
            json.Key("to");
            Time(json, line.to);
        }
        if (!line.omitted.empty()) {
            json.Key("omitted").Object();
            for (const auto& [outcome, count] : line.omitted) {
                json.Key(outcome).Number(count);
            }
            json.End();
        }
        if (kept.otherLeft != 0) {
            json.Key("left").Number(kept.otherLeft);
        }
        json.End().End();
    }
    json.End();
}

void ReportBuilder::WriteRuns(JsonWriter& json) {
    auto [runs, more] = std::move(runs_).Finish();
    json.Key("runs").Array();
    for (const RefusalRun& run : runs) {
        json.Array().Number(std::uint64_t{run.player}).Number(std::uint64_t{run.server});
        json.Number(Seconds(run.from)).Number(Seconds(run.to)).Number(run.lines).End();
    }
    json.End().Key("runsLeftOut").Number(more);
}

std::pair<std::string, ReportFigures> ReportBuilder::Finish(std::chrono::sys_seconds generated) && {
    // Only a granted use is a /cheat line's; another line carried forward
    // (a forgive line) is counted among the lines with an action.
    const std::uint32_t granted = outcomes_.Id("granted");
    for (const auto& [use, count] : carried_.Missing()) {
        if (use.outcome == granted) {
            CountUse(use.time, use.player, use.server, use.command, use.outcome, count);
            carriedCounted_ += count;
        }
    }
    figures_.leftOut = kept_.LeftOut();
    const std::vector<KeptLine> lines = std::move(kept_).Take();
    figures_.shown = lines.size();
    figures_.servers = servers_.Words().size();

    std::string out;
    JsonWriter json(out);
    json.Object().Key("generated").Number(Seconds(generated)).Key("range").Array();
    Time(json, range_.from);
    Time(json, range_.to);
    json.End().Key("first");
    Time(json, first_);
    json.Key("last");
    Time(json, last_);
    json.Key("servers").Array();
    for (const std::string& server : servers_.Words()) {
        json.String(server);
    }
    json.End().Key("outcomes").Array();
    for (const std::string& outcome : outcomes_.Words()) {
        json.String(outcome);
    }
    json.End().Key("files").Array();
    for (const File& file : files_) {
        json.Array()
            .String(file.path)
            .Number(std::uint64_t{file.server})
            .Number(file.lines)
            .Number(file.invalid);
        json.End();
    }
    json.End()
        .Key("figures")
        .Object()
        .Key("lines")
        .Number(figures_.lines)
        .Key("invalid")
        .Number(figures_.invalid);
    json.Key("outside").Number(figures_.outside).Key("shown").Number(figures_.shown);
    json.Key("leftOut").Number(figures_.leftOut).End();
    json.Key("outcomeCounts").Array();
    for (std::uint32_t id = 0; id < outcomes_.Words().size(); ++id) {
        const std::uint64_t lineCount = id < outcomeLines_.size() ? outcomeLines_[id] : 0;
        const std::uint64_t omitted = id < outcomeOmitted_.size() ? outcomeOmitted_[id] : 0;
        if (lineCount + omitted != 0) {
            json.Array().Number(std::uint64_t{id}).Number(lineCount).Number(omitted).End();
        }
    }
    json.End().Key("actions").Array();
    for (const auto& [key, count] : actions_) {
        json.Array().String(key.first).Number(std::uint64_t{key.second}).Number(count).End();
    }
    json.End().Key("carried").Array().Number(carriedLines_).Number(carriedCounted_).End();
    std::vector<std::uint32_t> chartIds;
    WriteCommands(json, chartIds);
    WriteUses(json, chartIds);
    WritePlayers(json, lines);
    WriteLines(json, lines);
    WriteRuns(json);
    const KeptLineCaps caps = kept_.Caps();
    json.Key("caps").Array().Number(std::uint64_t{caps.recent}).Number(std::uint64_t{caps.notGranted});
    json.Number(std::uint64_t{caps.record}).Number(std::uint64_t{kShownCharacters}).End();
    json.Key("runRule").Array().Number(kRunLength).Number(std::int64_t{kRunGap.count()}).End();
    json.End();
    return {std::move(out), figures_};
}

}  // namespace DevHost::Report
