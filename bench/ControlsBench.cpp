// What the operator's controls cost a granted /cheat use, end to end through
// the stand-in server: every control on (the audit file, a deny list of 50
// names, 50 command entries, 10,000 running cooldowns) beside the messages and
// PrintToChat alone, in the same run; the audit append by itself, with
// rotation on and off, and beside an append through stdio; and a use
// with a history of 100,000 players' uses of three commands beside one of 100.
//
// Every measured use is granted and runs: the players still joined take
// turns, each with "/cheat giveitem 10 20", whose cooldown is shorter than one
// use. So no player is ever held back, yet every use with cooldowns on looks
// its player up, starts a cooldown and, a little later, drops an expired one:
// the whole price a cooldown adds to the uses it does not hold back. (Making
// time pass on the stand-in's clock instead would also move the benchmark's
// own clock.)
//
// 1,000 players fill the cooldowns; the uses are timed with all of them still
// joined, and again with only 10 (the others left, their cooldowns running
// on). The stand-in engine finds a player by going through the joined ones,
// and its permissions plugin looks grants up by name, which makes a use with
// 1,000 joined cost more for reasons of the stand-ins' own; with 10, the
// plugin's own work is a larger share, and the controls' price shows more.
#include <fmt/chrono.h>
#include <fmt/format.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <variant>
#include <vector>

#include <nlohmann/json.hpp>

#include "bench/Configs.h"
#include "bench/RatioReporter.h"
#include "core/audit/AuditWriter.h"
#include "core/history/UseHistory.h"
#include "devhost/server/StandInServer.h"
#include "host/Velkor.h"

namespace {

using json = nlohmann::json;

constexpr int kPlayers = 1000;
constexpr std::uint64_t kFirstSteamId = 76561198000000000;
constexpr int kDenied = 50;
constexpr int kCommandEntries = 50;
// The names each player ran before timing, with a cooldown no run outlasts.
constexpr int kFilledNames = 10;
constexpr double kLongCooldownSeconds = 3600;
// The measured command's cooldown: over before the next use, by anyone.
constexpr double kUseCooldownSeconds = 1e-5;

const char* const kMeasuredName = "giveitem";

const WideString& Line() {
    static const WideString line = Velkor::Tools::Utf8Decode("/cheat giveitem 10 20");
    return line;
}

std::string FilledName(int index) {
    return fmt::format("build{}", index);
}

// Inside the build folder, on the disk a server would write to.
std::filesystem::path AuditFile() {
    return std::filesystem::path(CORVANE_BENCH_AUDIT_FILE);
}

// Beside it, the file of the append with rotation on, and its rotated files.
std::filesystem::path RotatingAuditFile(const char* number = "") {
    return AuditFile().parent_path() / fmt::format("rotating{}.jsonl", number);
}

void EmptyAuditFile() {
    std::error_code ignored;
    std::filesystem::resize_file(AuditFile(), 0, ignored);
}

void RemoveAuditFiles() {
    std::error_code ignored;
    for (const char* number : {"", ".1", ".2"}) {
        std::filesystem::remove(RotatingAuditFile(number), ignored);
    }
    std::filesystem::remove(AuditFile(), ignored);
}

struct Controls {
    bool audit = false;
    bool deny = false;
    bool commands = false;
};

// The messages and PrintToChat (false: no announcement, so what the controls
// add is not drowned by the broadcast), with the controls asked for.
json ConfigWith(const Controls& controls) {
    json config = json::parse(Bench::MessagesConfig(false));
    if (controls.audit) {
        config["AuditLog"] = AuditFile().string();
    }
    if (controls.deny) {
        json& deny = config["Deny"] = json::array();
        for (int i = 0; i < kDenied; ++i) {
            deny.push_back(fmt::format("forbidden{}", i));
        }
    }
    if (controls.commands) {
        json& commands = config["Commands"] = json::object();
        commands[kMeasuredName] = {{"Cooldown", kUseCooldownSeconds}, {"Announce", "none"}};
        for (int i = 0; i < kFilledNames; ++i) {
            commands[FilledName(i)] = {{"Cooldown", kLongCooldownSeconds}, {"Announce", "none"}};
        }
        const char* const modes[] = {"all", "none", "admins"};
        for (int i = 0; static_cast<int>(commands.size()) < kCommandEntries; ++i) {
            commands[fmt::format("setting{}", i)] = {{"Cooldown", 30 + i}, {"Announce", modes[i % 3]}};
        }
    }
    return config;
}

// Cooldowns on every name but the measured one last an hour.
json HistoryConfig() {
    json config = json::parse(Bench::MessagesConfig(false));
    config["Commands"] = {{"*", {{"Cooldown", kLongCooldownSeconds}, {"Announce", "none"}}},
                          {kMeasuredName, {{"Cooldown", kUseCooldownSeconds}}}};
    return config;
}

// The same 1,000 players and grants whatever the configuration, so that two
// stages differ only in it and in the cooldowns filled before timing.
struct Stage {
    DevHost::StandInServer server{DevHost::ServerDirectory::Temporary("corvane-bench-")};
    std::vector<AShooterPlayerController*> players;
    std::size_t next = 0;
    std::string error;

    // names: what every player may run besides the measured command;
    // fill(player) says the lines that player sends before timing; then all
    // but the first `joined` players leave.
    Stage(const json& config, const std::vector<std::string>& names,
          const std::function<std::vector<std::string>(int)>& fill, int joined) {
        server.WriteConfig(config.dump());
        for (int i = 0; i < kPlayers; ++i) {
            const std::uint64_t steamId = kFirstSteamId + static_cast<std::uint64_t>(i);
            players.push_back(server.Join(fmt::format("Player{}", i), steamId));
            server.Grant(steamId, std::string("Cheat.") + kMeasuredName);
            for (const std::string& name : names) {
                server.Grant(steamId, "Cheat." + name);
            }
        }
        if (!server.Load()) {
            error = "the plugin did not load: " + server.LoadError();
            return;
        }
        for (int i = 0; i < kPlayers; ++i) {
            for (const std::string& line : fill(i)) {
                server.Say(players[static_cast<std::size_t>(i)], line);
            }
        }
        for (int i = joined; i < kPlayers; ++i) {
            server.Leave(fmt::format("Player{}", i));
        }
        players.resize(static_cast<std::size_t>(joined));
        CheckEveryUseRuns();
    }

    AShooterPlayerController* NextPlayer() {
        AShooterPlayerController* player = players[next];
        next = next + 1 == players.size() ? 0 : next + 1;
        return player;
    }

private:
    // A round of every player, untimed: each use must run and nobody may be
    // told to wait, or the figures would be of something else.
    void CheckEveryUseRuns() {
        std::size_t runs = 0, replies = 0;
        const DevHost::Subscription watch = server.Subscribe([&](const DevHost::Event& event) {
            runs += std::holds_alternative<DevHost::ConsoleCommandRun>(event);
            replies += std::holds_alternative<DevHost::PrivateMessage>(event);
        });
        for (std::size_t i = 0; i < players.size(); ++i) {
            DevHost::RouteChat(NextPlayer(), Line());
        }
        if (runs != players.size() || replies != 0) {
            error = fmt::format("of {} uses, {} ran and {} got a reply", players.size(), runs, replies);
        }
    }
};

// One stand-in server at a time: the stage of the benchmark running now,
// kept across its repetitions (filling a history of 300,000 uses takes a while).
std::string stageKey;
std::unique_ptr<Stage> stage;

Stage& StageFor(const std::string& key, const std::function<std::unique_ptr<Stage>()>& make) {
    if (stageKey != key || !stage) {
        stage.reset();
        stage = make();
        stageKey = key;
    }
    return *stage;
}

void MeasureUses(benchmark::State& state, Stage& current) {
    if (!current.error.empty()) {
        state.SkipWithError(current.error.c_str());
        return;
    }
    EmptyAuditFile();  // bounded on disk: one run's lines at most
    for (auto _ : state) {
        DevHost::RouteChat(current.NextPlayer(), Line());
    }
}

std::vector<std::string> FilledNames() {
    std::vector<std::string> names;
    for (int i = 0; i < kFilledNames; ++i) {
        names.push_back(FilledName(i));
    }
    return names;
}

void Use(benchmark::State& state, Controls controls) {
    const auto joined = static_cast<int>(state.range(0));
    const std::string key =
        fmt::format("use {} {} {} {}", controls.audit, controls.deny, controls.commands, joined);
    Stage& current = StageFor(key, [&] {
        const auto fill = [&](int) {
            std::vector<std::string> lines;
            if (controls.commands) {
                for (const std::string& name : FilledNames()) {
                    lines.push_back("/cheat " + name);
                }
            }
            return lines;
        };
        return std::make_unique<Stage>(ConfigWith(controls), FilledNames(), fill, joined);
    });
    MeasureUses(state, current);
}

// Each with all the players joined, then with 10.
#define CORVANE_BENCH_USE(name, ...) \
    BENCHMARK_CAPTURE(Use, name, Controls{__VA_ARGS__})->ArgName("joined")->Arg(kPlayers)->Arg(10)

CORVANE_BENCH_USE(messages)->Name("Use/messages-only");
CORVANE_BENCH_USE(audit, true, false, false)->Name("Use/audit-only");
CORVANE_BENCH_USE(others, false, true, true)->Name("Use/controls-but-audit");
CORVANE_BENCH_USE(all, true, true, true)->Name("Use/every-control");

// The measured command with three argument rules (an item pattern, a bounded
// quantity, at most three arguments) beside the same command without any.
void UseWithRules(benchmark::State& state, bool rules) {
    const auto joined = static_cast<int>(state.range(0));
    Stage& current = StageFor(fmt::format("rules {} {}", rules, joined), [&] {
        json config = json::parse(Bench::MessagesConfig(false));
        json& entry = config["Commands"][kMeasuredName] = json::object();
        if (rules) {
            entry["MaxArguments"] = 3;
            entry["Arguments"] = json::array({{{"Allow", {"1*", "2?"}}}, {{"Min", 1}, {"Max", 100}}});
        }
        return std::make_unique<Stage>(
            config, std::vector<std::string>{}, [](int) { return std::vector<std::string>{}; }, joined);
    });
    MeasureUses(state, current);
}

BENCHMARK_CAPTURE(UseWithRules, none, false)->Name("Use/no-argument-rules")->ArgName("joined")->Arg(10);
BENCHMARK_CAPTURE(UseWithRules, three, true)->Name("Use/three-argument-rules")->ArgName("joined")->Arg(10);

// The history of granted uses a use is asked of, three names a player: use i
// is player i / 3's fly, god or the measured command, all within the last
// half hour, restored at load from a record of them. The players joined are
// the first of those it holds.
constexpr int kHistoryNames = 3;

std::filesystem::path HistoryRecord(int uses) {
    const std::filesystem::path file = AuditFile().parent_path() / fmt::format("history-{}.jsonl", uses);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    const char* const names[kHistoryNames] = {"fly", "god", kMeasuredName};
    const auto start =
        std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now()) - std::chrono::minutes(30);
    for (int i = 0; i < uses; ++i) {
        const auto at = start + std::chrono::seconds(static_cast<std::int64_t>(i) * 1800 / uses);
        const char* const name = names[i % kHistoryNames];
        out << fmt::format(R"({{"time":"{:%Y-%m-%dT%H:%M:%SZ}","steamId":"{}","character":"Player",)"
                           R"("command":"{}","permission":"Cheat.{}","outcome":"granted"}})"
                           "\n",
                           at, kFirstSteamId + static_cast<std::uint64_t>(i / kHistoryNames), name, name);
    }
    return file;
}

// Restored at load, then the audit file taken away by a reload, which keeps
// the history (the same window): the uses timed write nothing, as in
// Use/controls-but-audit. Player 0's fly, restored, must still be held back.
std::unique_ptr<Stage> HistoryStage(int uses, int joined) {
    json config = HistoryConfig();
    config["AuditLog"] = HistoryRecord(uses).string();
    auto made = std::make_unique<Stage>(
        config, std::vector<std::string>{"fly", "god"}, [](int) { return std::vector<std::string>{}; },
        joined);
    if (!made->error.empty()) {
        return made;
    }
    made->server.WriteConfig(HistoryConfig().dump());
    made->server.Grant(kFirstSteamId, "Corvane.Reload");
    made->server.Say(made->players[0], "/corvane reload");
    std::size_t runs = 0;
    const DevHost::Subscription watch = made->server.Subscribe([&](const DevHost::Event& event) {
        runs += std::holds_alternative<DevHost::ConsoleCommandRun>(event);
    });
    made->server.Say(made->players[0], "/cheat fly");
    if (runs != 0) {
        made->error = "the reload did not keep the history";
    }
    return made;
}

void UseWithHistory(benchmark::State& state) {
    const auto uses = static_cast<int>(state.range(0));
    const auto joined = static_cast<int>(state.range(1));
    Stage& current =
        StageFor(fmt::format("history {} {}", uses, joined), [&] { return HistoryStage(uses, joined); });
    MeasureUses(state, current);
}

// 100 uses, and 100,000 players' 300,000.
BENCHMARK(UseWithHistory)
    ->Name("Use/history")
    ->ArgNames({"uses", "joined"})
    ->Args({100, kPlayers})
    ->Args({300'000, kPlayers})
    ->Args({100, 10})
    ->Args({300'000, 10});

// The append by itself, as a granted use writes it.
Corvane::AuditRecord GrantedRecord() {
    Corvane::AuditRecord record;
    record.steamId = kFirstSteamId + 17;
    record.character = "Player17";
    record.command = u"giveitem 10 20";
    record.permission = u"Cheat.giveitem";
    record.outcome = "granted";
    return record;
}

void AuditLineOnly(benchmark::State& state) {
    const Corvane::AuditRecord record = GrantedRecord();
    for (auto _ : state) {
        benchmark::DoNotOptimize(Corvane::AuditLine(record));
    }
}

void AuditAppend(benchmark::State& state) {
    const Corvane::AuditRecord record = GrantedRecord();
    EmptyAuditFile();
    Corvane::AuditWriter writer(AuditFile());
    for (auto _ : state) {
        writer.Append(record);
    }
}

// Rotating at the shipped 10 MiB, every 60,000 appends or so: the rotations'
// price is in the figure, spread over the appends as on a server.
void AuditAppendRotating(benchmark::State& state) {
    const Corvane::AuditRecord record = GrantedRecord();
    RemoveAuditFiles();
    Corvane::AuditWriter writer(RotatingAuditFile(), Corvane::AuditRotation{10 << 20, 2});
    for (auto _ : state) {
        writer.Append(record);
    }
}

// The baseline the single write must not be slower than: the folders made
// first, then stdio, whose buffer may split a line into several writes.
void StdioAppend(const std::filesystem::path& file, const std::string& text) {
    std::error_code created;
    std::filesystem::create_directories(file.parent_path(), created);
    std::FILE* stream = std::fopen(file.c_str(), "ab");
    if (stream == nullptr) {
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
    std::fclose(stream);
}

void AuditAppendStdio(benchmark::State& state) {
    const Corvane::AuditRecord record = GrantedRecord();
    EmptyAuditFile();
    for (auto _ : state) {
        StdioAppend(AuditFile(), Corvane::AuditLine(record) + "\n");
    }
}

BENCHMARK(AuditLineOnly)->Name("Audit/line");
BENCHMARK(AuditAppend)->Name("Audit/append");
BENCHMARK(AuditAppendRotating)->Name("Audit/append-rotating");
BENCHMARK(AuditAppendStdio)->Name("Audit/append-stdio");

// What a use with a cooldown and a use limit asks of the history, and its
// addition, without the rest of the use: the history holds `uses` uses, three
// names per player (a history of 100,000 players holds 300,000), and the
// players it holds take turns, each with the next of their names, so that
// every call lands on an entry the previous ones did not touch.
void HistoryUse(benchmark::State& state) {
    stage.reset();  // its 100,000 uses would only stand in the caches' way
    using Clock = Corvane::UseHistory::Clock;
    constexpr int kNames = 3;
    constexpr std::size_t kLimit = 3;
    const auto uses = static_cast<int>(state.range(0));
    const std::string names[kNames] = {"fly", "god", kMeasuredName};
    Corvane::UseHistory history({std::chrono::hours(1'000'000), kLimit});
    Clock::time_point now{};
    for (int i = 0; i < uses; ++i) {
        history.Add(kFirstSteamId + static_cast<std::uint64_t>(i / kNames), names[i % kNames], now);
    }
    const int players = (uses + kNames - 1) / kNames;
    int turn = 0;
    for (auto _ : state) {
        now += std::chrono::microseconds(10);
        const std::uint64_t steamId = kFirstSteamId + static_cast<std::uint64_t>(turn % players);
        const std::string& name = names[(turn / players) % kNames];
        turn = turn + 1 == players * kNames ? 0 : turn + 1;
        const auto held = history.Uses(steamId, name);
        benchmark::DoNotOptimize(Corvane::CooldownLeft(held, std::chrono::microseconds(5), now));
        benchmark::DoNotOptimize(Corvane::AskLimit(held, kLimit, std::chrono::hours(1), now));
        history.Add(steamId, name, now);
    }
    state.counters["players"] = players;
    state.counters["entries"] = static_cast<double>(history.Size());
}

BENCHMARK(HistoryUse)->Name("History/use")->ArgName("uses")->Arg(100)->Arg(300'000);

void Summarise(const Bench::Times& times, std::ostream& out) {
    stage.reset();
    RemoveAuditFiles();
    const auto time = [&](const std::string& name) {
        const auto found = times.find(name);
        return found == times.end() ? 0.0 : found->second;
    };
    for (const int joined : {kPlayers, 10}) {
        const auto use = [&](const char* controls) {
            return time(fmt::format("Use/{}/joined:{}", controls, joined));
        };
        const double messages = use("messages-only"), auditOnly = use("audit-only");
        const double others = use("controls-but-audit"), all = use("every-control");
        if (messages <= 0 || auditOnly <= 0 || others <= 0 || all <= 0) {
            continue;
        }
        out << fmt::format(
            "a granted use, {} joined: messages only {:.0f} ns, audit file only {:.0f} ns,\n"
            "  every control but the audit file {:.0f} ns, every control {:.0f} ns\n",
            joined, messages, auditOnly, others, all);
        Bench::PrintRatio(out, fmt::format("no-audit controls, {} joined", joined), others / messages, 1.2);
        out << fmt::format("  every control {:.2f}; the audit file alone adds {:.0f} ns ({:.2f} times)\n",
                           all / messages, auditOnly - messages, auditOnly / messages);
    }
    if (const double line = time("Audit/line"), append = time("Audit/append"); line > 0 && append > 0) {
        out << fmt::format("AuditWriter::Append {:.0f} ns, of which the JSON line {:.0f} ns\n", append, line);
    }
    if (const double append = time("Audit/append"), rotating = time("Audit/append-rotating"),
        stdio = time("Audit/append-stdio");
        append > 0 && rotating > 0 && stdio > 0) {
        Bench::PrintRatio(out, "append with rotation / without", rotating / append, 1.1);
        Bench::PrintRatio(out, "single-write append / stdio append", append / stdio, 1.0);
    }
    for (const int joined : {kPlayers, 10}) {
        const double small = time(fmt::format("Use/history/uses:100/joined:{}", joined));
        const double large = time(fmt::format("Use/history/uses:300000/joined:{}", joined));
        if (small > 0 && large > 0) {
            Bench::PrintRatio(
                out, fmt::format("a use, history of 100,000 players x 3 / of 100, {} joined", joined),
                large / small, 1.2);
        }
    }
    if (const double none = time("Use/no-argument-rules/joined:10"),
        three = time("Use/three-argument-rules/joined:10");
        none > 0 && three > 0) {
        Bench::PrintRatio(out, "a use with three argument rules / none, 10 joined", three / none, 1.1);
    }
    if (const double small = time("History/use/uses:100"), large = time("History/use/uses:300000");
        small > 0 && large > 0) {
        out << fmt::format(
            "the history's calls of a use alone, 100,000 players x 3 names / 100 uses: {:.2f}\n",
            large / small);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::filesystem::create_directories(AuditFile().parent_path());
    return Bench::RunWithSummary(argc, argv, Summarise);
}
