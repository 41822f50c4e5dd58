// The companion against a real MariaDB server on this machine, whole runs of
// the program timed on the wall clock:
//   - copying: an audit file of 100,000 lines to the table, from the start of
//     the process to its end (--until-idle), in lines a second; target at
//     least 10,000;
//   - the start: filling the feed with the same 10,000 in-window rows from a
//     table of 10,000 rows and from one of 1,000,000 (the rest older than the
//     window), runs interleaved; target a ratio of the medians of at most 1.2.
//   bench_companion [runs]     (default 5 of each)
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <fmt/chrono.h>
#include <fmt/format.h>

#include "tests/companion/MariaDbServer.h"
#include "tests/companion/Processes.h"

namespace {

namespace fs = std::filesystem;
using CompanionTests::MariaDbServer;

constexpr const char* kPassword = "bench-password";

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct Bench {
    fs::path root;
    MariaDbServer& database;

    // A server folder with its config.json naming the database db.
    fs::path Server(const std::string& name, const std::string& db) const {
        const fs::path folder = root / name;
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "config.json") << fmt::format(
            R"({{"AuditLog": "CheatAudit.jsonl", "Commands": {{"giveitem": {{"Cooldown": 300}}}},
"Cluster": {{"Server": "{}", "Database": {{"Host": "127.0.0.1", "Port": {}, "User": "corvane", "Name": "{}",
"Password": "{}"}}}}}})",
            name, database.Port(), db, kPassword);
        return folder;
    }

    // Seconds from the companion's start to its end.
    double Run(const fs::path& folder) const {
        const auto start = std::chrono::steady_clock::now();
        const int status = CompanionTests::RunToEnd(
            {COMPANION_PROGRAM, "--until-idle", (folder / "config.json").string()}, folder / "companion.log");
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        if (status != 0) {
            fmt::print(stderr, "the companion failed:\n{}\n",
                       CompanionTests::ReadText(folder / "companion.log"));
            std::exit(1);
        }
        return took.count();
    }

    void Database(const std::string& db) const {
        database.Sql(fmt::format(
            "DROP DATABASE IF EXISTS {0}; CREATE DATABASE {0}; GRANT ALL ON {0}.* TO corvane@'%'", db));
    }

    // Rows of other servers: count of them at `age` before now.
    void Rows(const std::string& db, unsigned count, const std::string& age, unsigned first) const {
        database.Sql(fmt::format(
            "INSERT INTO {0}.corvane_audit (server, instance, seq, time, steam_id, outcome, name, line) "
            "SELECT CONCAT('s', seq % 20), REPEAT('f', 32), seq + {3}, UTC_TIMESTAMP() - INTERVAL {2}, "
            "76561198000000000 + seq % 5000, "
            "'granted', 'giveitem', CONCAT('{{\"time\":\"', DATE_FORMAT(UTC_TIMESTAMP() - INTERVAL {2}, "
            "'%Y-%m-%dT%H:%i:%sZ'), "
            "'\",\"server\":\"s', seq % 20, '\",\"steamId\":\"', 76561198000000000 + seq % 5000, "
            "'\",\"character\":\"c\",\"command\":\"giveitem ', seq, "
            "'\",\"permission\":\"Cheat.giveitem\",\"outcome\":\"granted\"}}') "
            "FROM {0}.seq_1_to_{1}",
            db, count, age, first));
    }
};

double CopyRate(const Bench& bench, int runs) {
    constexpr int kLines = 100000;
    std::string text;
    for (int i = 0; i < kLines; ++i) {
        text += fmt::format(
            R"({{"time":"2026-12-07T21:57:03Z","server":"copy","steamId":"76561198000000001","character":"alice","command":"giveitem {} 20","permission":"Cheat.giveitem","outcome":"granted"}})",
            i);
        text += '\n';
    }
    std::vector<double> rates;
    for (int run = 0; run < runs; ++run) {
        bench.Database("copy");
        const fs::path folder = bench.Server("copy", "copy");
        std::ofstream(folder / "CheatAudit.jsonl") << text;
        const double seconds = bench.Run(folder);
        const auto rows = bench.database.Sql("SELECT COUNT(*) FROM copy.corvane_audit");
        if (rows.at(0) != std::to_string(kLines)) {
            fmt::print(stderr, "copied {} rows of {}\n", rows.at(0), kLines);
            std::exit(1);
        }
        rates.push_back(kLines / seconds);
        fmt::print("copy run {}: {} lines in {:.2f} s, {:.0f} lines/s\n", run + 1, kLines, seconds,
                   kLines / seconds);
    }
    return Median(rates);
}

// The milliseconds the last start took to fill the feed, from its log.
double FillMilliseconds(const fs::path& folder) {
    const std::string log = CompanionTests::ReadText(folder / "companion.log");
    const std::size_t at = log.rfind(", in ");
    return at == std::string::npos ? 0 : std::atof(log.c_str() + at + 5);
}

void StartRatio(const Bench& bench, int runs) {
    constexpr unsigned kWindowRows = 10000;
    for (const std::string db : {"small", "large"}) {
        bench.Database(db);
        // The companion makes the tables.
        bench.Run(bench.Server("setup", db));
        if (db == "large") {
            // Older rows first, as a table that grew over time has them.
            bench.Rows(db, 1000000 - kWindowRows, "2 DAY", 0);
        }
        bench.Rows(db, kWindowRows, "1 MINUTE", 1000000);
        bench.database.Sql(fmt::format("ANALYZE TABLE {}.corvane_audit", db));
    }
    std::vector<double> small;
    std::vector<double> large;
    std::vector<double> smallFill;
    std::vector<double> largeFill;
    for (int run = 0; run < runs; ++run) {
        small.push_back(bench.Run(bench.Server("start", "small")));
        smallFill.push_back(FillMilliseconds(bench.root / "start"));
        large.push_back(bench.Run(bench.Server("start", "large")));
        largeFill.push_back(FillMilliseconds(bench.root / "start"));
        fmt::print(
            "start run {}: {:.3f} s (filling {} ms) with 10,000 rows, {:.3f} s (filling {} ms) with "
            "1,000,000\n",
            run + 1, small.back(), smallFill.back(), large.back(), largeFill.back());
    }
    const std::string log = CompanionTests::ReadText(bench.root / "start" / "companion.log");
    const std::size_t filled = log.find("Feed filled");
    fmt::print("the last start: {}", filled == std::string::npos ? log : log.substr(filled));
    fmt::print(
        "start, median: {:.3f} s with 10,000 rows, {:.3f} s with 1,000,000: ratio {:.2f} (target at most "
        "1.2)\n",
        Median(small), Median(large), Median(large) / Median(small));
    fmt::print("filling the feed, median: {} ms with 10,000 rows, {} ms with 1,000,000: ratio {:.2f}\n",
               Median(smallFill), Median(largeFill), Median(largeFill) / Median(smallFill));
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    const fs::path root = fs::temp_directory_path() / fmt::format("corvane-companion-bench-{}", ::getpid());
    fs::remove_all(root);
    MariaDbServer database(root / "mariadb");
    if (!database.Start()) {
        fmt::print(stderr, "MariaDB did not start:\n{}\n", database.ErrorLog());
        return 1;
    }
    database.Sql(fmt::format("CREATE USER corvane@'%' IDENTIFIED BY '{}'", kPassword));
    const Bench bench{root, database};
    const double rate = CopyRate(bench, runs);
    fmt::print("copy, median: {:.0f} lines/s (target at least 10,000)\n", rate);
    StartRatio(bench, runs);
    database.Shutdown();
    fs::remove_all(root);
    return 0;
}
