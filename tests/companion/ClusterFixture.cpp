#include "tests/companion/ClusterFixture.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <thread>

#include <fmt/chrono.h>
#include <fmt/format.h>

#include "core/settings/AuditPath.h"
#include "tests/companion/Processes.h"

namespace CompanionTests {
namespace fs = std::filesystem;

std::unique_ptr<MariaDbServer> ClusterTest::database_;
fs::path ClusterTest::root_;

void ClusterTest::SetUpTestSuite() {
    if (database_) {
        return;
    }
    root_ = fs::temp_directory_path() / fmt::format("corvane-companion-tests-{}", ::getpid());
    fs::remove_all(root_);
    database_ = std::make_unique<MariaDbServer>(root_ / "mariadb");
    ASSERT_TRUE(database_->Start()) << database_->ErrorLog();
    database_->Sql(fmt::format("CREATE USER corvane@'%' IDENTIFIED BY '{}'", kPassword));
}

void ClusterTest::TearDownTestSuite() {}

void ClusterTest::SetUp() {
    ASSERT_TRUE(database_ && database_->Running());
    static int count = 0;
    const auto* test = testing::UnitTest::GetInstance()->current_test_info();
    db_ = fmt::format("t{}", ++count);
    folder_ = root_ / fmt::format("{}.{}", test->test_suite_name(), test->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    Sql(fmt::format("CREATE DATABASE {0}; GRANT ALL ON {0}.* TO corvane@'%'", db_));
}

void ClusterTest::TearDown() {
    while (!companions_.empty()) {
        StopCompanion(companions_.back());
    }
    if (database_ && !database_->Running()) {
        ASSERT_TRUE(database_->Start());
    }
    if (!HasFailure()) {
        fs::remove_all(folder_);
    }
}

std::string ClusterTest::DatabaseMembers(unsigned port) const {
    return fmt::format(
        R"("Host": "127.0.0.1", "Port": {}, "User": "corvane", "Name": "{}", "PasswordEnv": "TEST_DB_PASSWORD")",
        port != 0 ? port : database_->Port(), db_);
}

void ClusterTest::WriteConfig(const GameServer& server, const std::string& databaseMembers,
                              const std::string& extraCluster, unsigned keep) {
    std::ofstream(server.Config()) << fmt::format(
        R"({{"AuditLog": "{}", "AuditRotate": {{"MaxBytes": 65536, "Keep": {}}},
"Commands": {{"giveitem": {{"Cooldown": 300}}}},
"Cluster": {{"Server": "{}", "Feed": "{}", "PollSeconds": 0.2{}, "Database": {{{}}}}}}})",
        Corvane::PathText(server.Audit()), keep, server.name, Corvane::PathText(server.Feed()), extraCluster,
        databaseMembers);
}

GameServer ClusterTest::AddServer(const std::string& name, const fs::path& audit, unsigned keep) {
    const fs::path folder = folder_ / name;
    fs::create_directories(folder);
    GameServer server{name, folder, audit.empty() ? folder / "CheatAudit.jsonl" : audit};
    WriteConfig(server, DatabaseMembers(), "", keep);
    return server;
}

pid_t ClusterTest::StartCompanion(const GameServer& server) {
    const pid_t pid = Spawn({fs::path(COMPANION_PROGRAM).string(), server.Config().string()},
                            {std::string("TEST_DB_PASSWORD=") + kPassword}, server.Output());
    companions_.push_back(pid);
    return pid;
}

void ClusterTest::StopCompanion(pid_t pid) {
    ::kill(pid, SIGTERM);
    if (!WaitFor(pid, std::chrono::seconds(10))) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
    }
    std::erase(companions_, pid);
}

int ClusterTest::RunUntilIdle(const GameServer& server) {
    return RunToEnd({fs::path(COMPANION_PROGRAM).string(), "--until-idle", server.Config().string()},
                    server.Output(), {std::string("TEST_DB_PASSWORD=") + kPassword});
}

int ClusterTest::Check(const GameServer& server, std::string& output) {
    const fs::path file = server.folder / "check.log";
    fs::remove(file);
    const int status = RunToEnd({fs::path(COMPANION_PROGRAM).string(), "--check", server.Config().string()},
                                file, {std::string("TEST_DB_PASSWORD=") + kPassword});
    output = ReadText(file);
    return status;
}

std::size_t ClusterTest::Rows(const std::string& where) const {
    return std::stoul(database_->Sql(fmt::format("SELECT COUNT(*) FROM {} WHERE {}", Table(), where)).at(0));
}

bool ClusterTest::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return true;
}

}  // namespace CompanionTests
