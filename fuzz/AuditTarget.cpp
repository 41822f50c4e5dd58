// fuzz_audit: any bytes as the audit record, read back as the load reads it
// to start cooldowns again. The input is the current file, then, after each
// line "%%", the next rotated one. The load never fails, and the cooldowns it
// starts are exactly those of the granted uses an oracle of its own finds
// within the window, read on past the first older line by the slack: a line
// that is no record starts none, a carried line starts its use's, and each
// use counts once however many carried lines stand for it; lines of kinds the
// load does not know are counted by name and passed over. An input naming
// another audit file (a reload's "previousAuditLog") is passed over: the
// load would read whatever file it names.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/audit/BackwardLines.h"
#include "core/history/ClusterFeed.h"
#include "core/history/UseRestore.h"
#include "core/settings/AuditPath.h"
#include "devhost/server/StandInServer.h"
#include "fuzz/Require.h"

namespace {

using Fuzz::Require;
using Clock = Corvane::UseHistory::Clock;
using std::chrono::seconds;
namespace fs = std::filesystem;

const std::chrono::sys_seconds kNow{std::chrono::sys_days{std::chrono::year(2026) / 12 / 8}};
const Clock::time_point kSteadyNow{std::chrono::hours(1)};

Corvane::Settings FuzzSettings() {
    Corvane::Settings settings;
    settings.commands["fly"].cooldown = seconds(3600);
    settings.commands["god"].cooldown = seconds(60);
    settings.others.emplace().cooldown = seconds(5);
    settings.wrappers = {"wrap"};
    return settings;
}

std::vector<std::string> Split(const std::string& text, const std::string& separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos;
         start = at + separator.size()) {
        parts.push_back(text.substr(start, at - start));
    }
    parts.push_back(text.substr(start));
    return parts;
}

// The name whose cooldown a granted command starts: through "wrap", the
// wrapped command's; ASCII letters, digits and '_' after blanks, lower case.
std::string CooledName(std::string command) {
    for (;;) {
        const std::size_t start = std::min(command.find_first_not_of(' '), command.size());
        std::size_t end = start;
        std::string name;
        while (end < command.size() &&
               (std::isalnum(static_cast<unsigned char>(command[end])) || command[end] == '_') &&
               static_cast<unsigned char>(command[end]) < 0x80) {
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(command[end++])));
        }
        if (name != "wrap") {
            return name;
        }
        command = command.substr(std::min(command.find_first_not_of(' ', end), command.size()));
        if (!command.empty() && command[0] == '"') {
            command.erase(0, 1);
        }
    }
}

// The oracle's own reading of a line: a JSON object with a time of the shape
// "YYYY-MM-DDTHH:MM:SSZ" that names a real second, a Steam id of digits alone,
// an outcome, and a command or an action but not both. A granted use is a
// line granted with a command, or a carried line (action "carried", outcome
// "granted") whose hash is 16 lowercase hex digits and whose names are a list
// of texts: a carried line without them is no record.
struct Record {
    long long secondsBeforeNow = 0;
    std::uint64_t steamId = 0;
    // Known: of a kind the load knows; otherwise unknown names the kind.
    std::string unknown;
    bool granted = false;
    std::string name;  // a granted use's cooled name
    std::optional<std::string> carries;
};

// The outcome or action of a line the load does not know; empty when it knows both.
std::string UnknownKind(const std::string* action, const std::string& outcome) {
    static const std::set<std::string> cheat = {"granted",  "refused", "rejected", "denied",
                                                "cooldown", "limit",   "failed"};
    static const std::map<std::string, std::set<std::string>> actions = {
        {"reload", {"reloaded", "failed", "refused"}},
        {"check", {"refused"}},
        {"uses", {"refused"}},
        {"forgive", {"forgiven", "refused"}},
        {"summary", {"omitted"}},
        {"carried", {"granted", "forgiven"}}};
    if (action == nullptr) {
        return cheat.contains(outcome) ? "" : outcome;
    }
    const auto known = actions.find(*action);
    if (known == actions.end()) {
        return *action;
    }
    return known->second.contains(outcome) ? "" : outcome;
}

// The last of a "names" list of texts; none when the member is no such list.
std::optional<std::string> LastName(const nlohmann::json& value) {
    if (!value.contains("names") || !value["names"].is_array() || value["names"].empty()) {
        return std::nullopt;
    }
    for (const auto& name : value["names"]) {
        if (!name.is_string()) {
            return std::nullopt;
        }
    }
    return value["names"].back().get<std::string>();
}

std::optional<long long> SecondsBeforeNow(const std::string& time) {
    int y, mo, d, h, mi, s;
    char tail = 0;
    if (time.size() != 20 || time[4] != '-' || time[7] != '-' || time[10] != 'T' || time[13] != ':' ||
        time[16] != ':' || time[19] != 'Z') {
        return std::nullopt;
    }
    for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18}) {
        if (time[i] < '0' || time[i] > '9') {
            return std::nullopt;
        }
    }
    if (std::sscanf(time.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d%c", &y, &mo, &d, &h, &mi, &s, &tail) != 7) {
        return std::nullopt;
    }
    const std::chrono::year_month_day day{std::chrono::year(y), std::chrono::month(mo), std::chrono::day(d)};
    if (!day.ok() || h > 23 || mi > 59 || s > 60) {
        return std::nullopt;
    }
    const auto at =
        std::chrono::sys_days(day) + std::chrono::hours(h) + std::chrono::minutes(mi) + seconds(s);
    return (kNow - at).count();
}

std::optional<Record> ReadRecord(const std::string& line) {
    nlohmann::json value;
    try {
        value = nlohmann::json::parse(line);
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
    const auto text = [&](const char* key) -> const std::string* {
        return value.contains(key) && value[key].is_string() ? &value[key].get_ref<const std::string&>()
                                                             : nullptr;
    };
    if (!value.is_object() || !text("time") || !text("steamId") || !text("outcome") ||
        (text("command") != nullptr) == (text("action") != nullptr)) {
        return std::nullopt;
    }
    const std::string& id = *text("steamId");
    Record record;
    const auto before = SecondsBeforeNow(*text("time"));
    // Leading zeros are read as the number they pad; only a value past 64 bits is no id.
    if (!before || id.empty() || id.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    try {
        record.steamId = std::stoull(id);
    } catch (const std::out_of_range&) {
        return std::nullopt;
    }
    record.secondsBeforeNow = *before;
    record.unknown = UnknownKind(text("action"), *text("outcome"));
    // A forgive line (or its carried line) that forgives no one is broken.
    if (record.unknown.empty() && *text("outcome") == "forgiven" && text("forgiven") == nullptr) {
        return std::nullopt;
    }
    if (!record.unknown.empty() || *text("outcome") != "granted") {
        return record;
    }
    const std::optional<std::string> last = LastName(value);
    if (text("action") != nullptr) {
        const std::string* carries = text("carries");
        if (carries == nullptr || carries->size() != 16 ||
            carries->find_first_not_of("0123456789abcdef") != std::string::npos || !last) {
            return std::nullopt;
        }
        record.carries = *carries;
    }
    record.granted = true;
    record.name = last ? *last : CooledName(*text("command"));
    return record;
}

// The 64-bit FNV-1a hash of a line, as 16 lowercase hex digits.
std::string Fnv1a(const std::string& line) {
    std::uint64_t hash = 14695981039346656037ULL;
    for (const unsigned char byte : line) {
        hash = (hash ^ byte) * 1099511628211ULL;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

struct Expected {
    // Per player and name, the latest end of a cooldown in seconds from now.
    std::map<std::pair<std::uint64_t, std::string>, long long> ends;
    std::size_t uses = 0;
    std::map<std::string, std::size_t> passedOver;
};

Expected ExpectedOf(const std::vector<std::string>& files) {
    const std::map<std::string, long long> lengths = {{"fly", 3600}, {"god", 60}};
    constexpr long long kWindow = 3600 + 1;  // a use counts from the end of its second
    constexpr long long kSlack = 600;
    Expected expected;
    // For each hash: its lines, and its carried lines in each file.
    std::map<std::string, std::size_t> lines;
    std::map<std::string, std::map<std::size_t, std::size_t>> carried;
    // Newest first: the current file's last line, back to the oldest file's first.
    for (std::size_t number = 0; number < files.size(); ++number) {
        std::vector<std::string> read = Split(files[number], "\n");
        if (!files[number].empty() && files[number].back() == '\n') {
            read.pop_back();
        }
        bool stopped = false;
        for (auto line = read.rbegin(); line != read.rend() && !stopped; ++line) {
            const auto record = line->size() > 65536 ? std::nullopt : ReadRecord(*line);
            if (!record) {
                continue;
            }
            if (!record->unknown.empty()) {
                ++expected.passedOver[record->unknown];
                continue;
            }
            stopped = record->secondsBeforeNow > kWindow + kSlack;
            if (stopped || !record->granted || record->secondsBeforeNow > kWindow) {
                continue;
            }
            if (record->carries) {
                ++carried[*record->carries][number];
            } else {
                ++lines[Fnv1a(*line)];
            }
            if (record->name.empty()) {
                continue;
            }
            const auto length = lengths.find(record->name);
            // From the end of its second; one that ends after now counts from now.
            const long long end =
                (length == lengths.end() ? 5 : length->second) - std::max(record->secondsBeforeNow - 1, 0LL);
            long long& latest = expected.ends[{record->steamId, record->name}];
            latest = std::max(latest, end);
        }
        if (stopped) {
            break;
        }
    }
    for (const auto& [hash, count] : lines) {
        expected.uses += count;
    }
    for (const auto& [hash, byFile] : carried) {
        std::size_t most = 0;
        for (const auto& [file, count] : byFile) {
            most = std::max(most, count);
        }
        const auto own = lines.find(hash);
        const std::size_t counted = own == lines.end() ? 0 : own->second;
        expected.uses += most > counted ? most - counted : 0;
    }
    return expected;
}

// The same bytes as the cluster's feed: read at once at load, and read as a
// companion appends them, half at load and the rest check by check, the two
// readings count the same.
Corvane::FeedCounts ReadAsFeed(const Corvane::Settings& settings, const std::string& text,
                               std::size_t firstPart) {
    const fs::path& feed = settings.cluster->feedFile;
    std::error_code ignored;
    fs::remove(feed, ignored);
    fs::remove(Corvane::RotatedAuditFile(feed, 1), ignored);
    std::ofstream(feed, std::ios::binary) << text.substr(0, firstPart);
    Corvane::ClusterFeed reader(*settings.cluster, settings.wrappers);
    Corvane::UseHistory history(Corvane::ReachOf(settings));
    Corvane::MergedUses merged;
    reader.Load({history, merged, kNow, kSteadyNow});
    std::ofstream(feed, std::ios::binary | std::ios::app) << text.substr(firstPart);
    // Each check reads at least one whole line, or the bound of a line too long to keep.
    const auto lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
    for (std::size_t check = 0; check < lines + text.size() / Corvane::kMostCheckBytes + 2; ++check) {
        reader.Check({history, merged, kNow, kSteadyNow});
    }
    Require(reader.Counts().added <= lines, "the feed added more uses than it has lines");
    return reader.Counts();
}

bool operator==(const Corvane::FeedCounts& a, const Corvane::FeedCounts& b) {
    return a.lines == b.lines && a.added == b.added && a.held == b.held && a.forgiven == b.forgiven &&
           a.forgives == b.forgives && a.old == b.old && a.skipped == b.skipped;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const DevHost::StandInServer server(DevHost::ServerDirectory::Temporary("corvane-fuzz-audit-"));
    static const Corvane::Settings base = FuzzSettings();
    const fs::path file = server.Directory().PluginFolder() / "audit.jsonl";
    Corvane::Settings settings = base;
    settings.auditFile = file;

    const std::string input(reinterpret_cast<const char*>(data), size);
    for (const std::string& line : Split(input, "\n")) {
        const auto value = nlohmann::json::parse(line, nullptr, false);
        // Files named by reload lines, and forgive lines, are the unit tests'.
        if (value.is_object() && (value.contains("previousAuditLog") || value.contains("forgiven"))) {
            return -1;
        }
    }
    std::vector<std::string> files = Split(input, "\n%%\n");
    for (unsigned i = 0; i < 4; ++i) {
        std::error_code ignored;
        fs::remove(Corvane::RotatedAuditFile(file, i), ignored);
    }
    files.resize(std::min<std::size_t>(files.size(), 4));
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::ofstream(Corvane::RotatedAuditFile(file, static_cast<unsigned>(i)), std::ios::binary)
            << files[i];
    }

    Corvane::UseHistory history;
    const Corvane::RestoredUses restored = Corvane::RestoreUses(settings, history, kNow, kSteadyNow);
    Require(restored.unreadable.empty(), "a file the fuzzer wrote could not be read");
    const Expected expected = ExpectedOf(files);
    Require(restored.uses == expected.uses, "the granted uses in the window were not each counted once");
    Require(restored.passedOver == expected.passedOver,
            "lines of kinds the load does not know were not counted by name and passed over");
    const auto lengthOf = [&](const std::string& name) { return settings.SettingsFor(name)->cooldown; };
    for (const auto& [key, end] : expected.ends) {
        Require(Corvane::CooldownLeft(history.Uses(key.first, key.second), lengthOf(key.second),
                                      kSteadyNow) == seconds(std::max(end, 0LL)),
                "a granted use in the window did not hold its player back, to the second");
    }
    Require(history.Size() <= expected.ends.size(),
            "the history holds a use no granted line in the window holds");

    settings.cluster = Corvane::ClusterSettings{"a", server.Directory().PluginFolder() / "feed.jsonl"};
    Require(ReadAsFeed(settings, files[0], files[0].size()) ==
                ReadAsFeed(settings, files[0], files[0].size() / 2),
            "the feed read at once and read as it grew counted differently");
    return 0;
}
