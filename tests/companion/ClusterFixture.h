// Servers of a cluster for the companion's tests: one real MariaDB server for
// the whole program, a database of its own for each test, and for each game
// server a folder laid out as on a server, with its config.json, its audit
// file (written as the plugin writes it) and its companion.
#pragma once

#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tests/companion/AuditFiles.h"
#include "tests/companion/MariaDbServer.h"

namespace CompanionTests {

// The database user's password: it must never appear in what the companion prints.
inline constexpr const char* kPassword = "pw-7f3a-never-shown";

struct GameServer {
    std::string name;
    std::filesystem::path folder;  // the plugin's folder: config.json, the feed, the companion's output
    std::filesystem::path audit;   // the audit file
    std::filesystem::path Audit() const { return audit; }
    std::filesystem::path Feed() const { return folder / "CheatFeed.jsonl"; }
    std::filesystem::path Config() const { return folder / "config.json"; }
    std::filesystem::path Output() const { return folder / "companion.log"; }
};

class ClusterTest : public testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    void TearDown() override;

    static MariaDbServer& Database() { return *database_; }
    // A game server's folder and config.json; its audit file in its folder
    // unless audit names one (shared with another server).
    GameServer AddServer(const std::string& name, const std::filesystem::path& audit = {}, unsigned keep = 3);
    void WriteConfig(const GameServer& server, const std::string& databaseMembers,
                     const std::string& extraCluster = "", unsigned keep = 3);

    pid_t StartCompanion(const GameServer& server);
    int RunUntilIdle(const GameServer& server);
    int Check(const GameServer& server, std::string& output);
    void StopCompanion(pid_t pid);

    std::vector<std::string> Sql(const std::string& statements) const { return database_->Sql(statements); }
    std::string Table() const { return db_ + ".corvane_audit"; }
    std::size_t Rows(const std::string& where = "1") const;
    std::string DatabaseMembers(unsigned port = 0) const;

    // Waits up to timeout for done.
    static bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout);

    std::string db_;
    std::filesystem::path folder_;
    std::vector<pid_t> companions_;

private:
    static std::unique_ptr<MariaDbServer> database_;
    static std::filesystem::path root_;
};

}  // namespace CompanionTests
