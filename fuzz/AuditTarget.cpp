// fuzz_audit: any bytes as the audit record, read back as the load reads it
// to start cooldowns again. The input is the current file, then, after each
// line "%%", the next rotated one. The load never fails, and the cooldowns it
// starts are exactly those of the granted uses an oracle of its own finds
// within the window: a line that is no record starts none.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/AuditPath.h"
#include "core/AuditReader.h"
#include "core/CooldownRestore.h"
#include "devhost/server/StandInServer.h"
#include "fuzz/Require.h"

namespace {

using Fuzz::Require;
using Clock = Corvane::Cooldowns::Clock;
using std::chrono::seconds;
namespace fs = std::filesystem;

const std::chrono::sys_seconds kNow{std::chrono::sys_days{std::chrono::year(2026) / 12 / 8}};
const Clock::time_point kSteadyNow{std::chrono::hours(1)};

Corvane::Settings FuzzSettings() {
    Corvane::Settings settings;
    settings.commands["fly"].cooldown = seconds(3600);
    settings.commands["god"].cooldown = seconds(60);
    settings.others = Corvane::CommandSettings{seconds(5), std::nullopt, {}};
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

// The oracle's own reading of a line: a JSON object with a time of the shape
// "YYYY-MM-DDTHH:MM:SSZ" that names a real second, a Steam id of digits alone,
// an outcome, and a command or an action but not both.
struct Record {
    long long secondsBeforeNow = 0;
    std::uint64_t steamId = 0;
    std::string command;
    bool granted = false;
};

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
    record.granted = *text("outcome") == "granted" && text("command") != nullptr;
    record.command = record.granted ? *text("command") : "";
    return record;
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

// Per player and name, the latest end of a cooldown in seconds from now.
std::map<std::pair<std::uint64_t, std::string>, long long> ExpectedEnds(
    const std::vector<std::string>& files) {
    const std::map<std::string, long long> lengths = {{"fly", 3600}, {"god", 60}};
    constexpr long long kLongest = 3600;
    std::map<std::pair<std::uint64_t, std::string>, long long> ends;
    // Newest first: the current file's last line, back to the oldest file's first.
    for (const std::string& file : files) {
        std::vector<std::string> lines = Split(file, "\n");
        if (!file.empty() && file.back() == '\n') {
            lines.pop_back();
        }
        for (auto line = lines.rbegin(); line != lines.rend(); ++line) {
            const auto record = line->size() > 65536 ? std::nullopt : ReadRecord(*line);
            if (!record) {
                continue;
            }
            if (record->secondsBeforeNow > kLongest + 1) {
                return ends;
            }
            const std::string name = record->granted ? CooledName(record->command) : "";
            if (name.empty()) {
                continue;
            }
            const auto length = lengths.find(name);
            const long long end = (length == lengths.end() ? 5 : length->second) + 1 -
                                  std::max(record->secondsBeforeNow, 0LL);  // after now counts as now
            long long& latest = ends[{record->steamId, name}];
            latest = std::max(latest, end);
        }
    }
    return ends;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const DevHost::StandInServer server(DevHost::ServerDirectory::Temporary("corvane-fuzz-audit-"));
    static const Corvane::Settings base = FuzzSettings();
    const fs::path file = server.Directory().PluginFolder() / "audit.jsonl";
    Corvane::Settings settings = base;
    settings.auditFile = file;

    std::vector<std::string> files = Split(std::string(reinterpret_cast<const char*>(data), size), "\n%%\n");
    for (unsigned i = 0; i < 4; ++i) {
        std::error_code ignored;
        fs::remove(Corvane::RotatedAuditFile(file, i), ignored);
    }
    files.resize(std::min<std::size_t>(files.size(), 4));
    for (std::size_t i = 0; i < files.size(); ++i) {
        std::ofstream(Corvane::RotatedAuditFile(file, static_cast<unsigned>(i)), std::ios::binary)
            << files[i];
    }

    Corvane::Cooldowns table;
    const Corvane::RestoredCooldowns restored = Corvane::RestoreCooldowns(settings, table, kNow, kSteadyNow);
    Require(restored.unreadable.empty(), "a file the fuzzer wrote could not be read");
    const auto expected = ExpectedEnds(files);
    std::size_t running = 0;
    for (const auto& [key, end] : expected) {
        if (end > 0) {
            ++running;
            Require(table.Remaining(key.first, key.second, kSteadyNow) == seconds(end),
                    "a granted use in the window did not start its cooldown, to the second");
        }
    }
    Require(table.Size() == running, "a cooldown started that no granted use in the window started");
    return 0;
}
