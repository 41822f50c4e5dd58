// A cluster of real processes: dev hosts with the real plugin as its game
// servers, each with its companion, sharing one MariaDB server. What one
// server decides holds on the others once it reaches their feeds; through a
// database killed and stalled, and companions killed mid-copy, every audit
// line reaches the table once and every feed once; a broken row planted in
// the table reaches no server; and the game process opens no socket.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <thread>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "core/settings/AuditPath.h"
#include "tests/companion/ClusterFixture.h"
#include "tests/companion/DevHostProcess.h"
#include "tests/companion/Processes.h"

namespace CompanionTests {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kAlice = "76561198000000001";
constexpr const char* kBob = "76561198000000002";

// A cooldown and a use limit to carry across, and a command with neither.
constexpr const char* kCommands =
    R"({"giveitem": {"Cooldown": 300}, "fly": {"MaxUses": {"Count": 2, "Per": 3600}}, "spawn": {}})";

struct Node {
    GameServer server;
    std::unique_ptr<DevHostProcess> host;
    pid_t companion = -1;
};

class ClusterProcessTest : public ClusterTest {
protected:
    // A server named name: its folder, config.json, companion and dev host,
    // with alice, bob and an operator who may forgive. With trace, the dev
    // host runs under strace, writing there.
    Node& AddNode(const std::string& name, const std::optional<fs::path>& trace = std::nullopt) {
        const fs::path root = folder_ / name;
        const fs::path plugin = root / "Velkor/Plugins/Corvane";
        fs::create_directories(plugin);
        Node& node = *nodes_.emplace_back(std::make_unique<Node>());
        node.server = GameServer{name, plugin, plugin / "CheatAudit.jsonl"};
        std::ofstream(node.server.Config()) << fmt::format(
            R"({{"PrintToChat": false, "Messages": {{"LogMsg": "{{0}} ran {{1}}", "NoPermissions": "No.",
"Sender": "Server"}}, "AuditLog": "CheatAudit.jsonl", "AuditRotate": {{"MaxBytes": 65536, "Keep": 50}},
"Commands": {}, "Cluster": {{"Server": "{}", "PollSeconds": 0.2, "Database": {{{}}}}}}})",
            kCommands, name, DatabaseMembers());
        node.companion = StartCompanion(node.server);
        node.host = std::make_unique<DevHostProcess>(root, trace);
        EXPECT_TRUE(node.host->Started()) << node.host->Output();
        for (const std::string& command : std::vector<std::string>{
                 fmt::format("join alice {}", kAlice), fmt::format("join bob {}", kBob),
                 "join op 76561198000000009", "grant op Corvane.Forgive", "grant op Corvane.Check"}) {
            node.host->Send(command);
        }
        for (const char* player : {"alice", "bob"}) {
            for (const char* command : {"giveitem", "fly", "spawn"}) {
                node.host->Send(fmt::format("grant {} Cheat.{}", player, command));
            }
        }
        return node;
    }

    // Waits until line, written by another server, is in node's feed.
    static bool Reaches(const Node& node, const std::string& line) {
        return WaitUntil([&] { return ReadText(node.server.Feed()).find(line) != std::string::npos; }, 20s);
    }
    static std::string Outcome(const std::string& line) {
        const auto entry = nlohmann::json::parse(line, nullptr, false);
        return entry.is_object() ? entry.value("outcome", "") : "no audit line: " + line;
    }
    void KillCompanion(Node& node) {
        ::kill(node.companion, SIGKILL);
        ::waitpid(node.companion, nullptr, 0);
        std::erase(companions_, node.companion);
        node.companion = -1;
    }

    void TearDown() override {
        if (Database().Running()) {
            Database().Resume();
        }
        nodes_.clear();
        ClusterTest::TearDown();
    }

    std::vector<std::unique_ptr<Node>> nodes_;
};

// Every line of a server's audit files, rotated ones first.
std::vector<std::string> AuditLines(const GameServer& server) {
    std::vector<std::string> lines;
    unsigned last = 0;
    while (fs::exists(Corvane::RotatedAuditFile(server.Audit(), last + 1))) {
        ++last;
    }
    for (unsigned file = last + 1; file-- > 0;) {
        const auto some = Lines(Corvane::RotatedAuditFile(server.Audit(), file));
        lines.insert(lines.end(), some.begin(), some.end());
    }
    return lines;
}

std::vector<std::string> Sorted(std::vector<std::string> lines) {
    std::sort(lines.begin(), lines.end());
    return lines;
}

TEST_F(ClusterProcessTest, AUseOnOneServerHoldsItsCooldownAndItsUseLimitOnAnother) {
    Node& a = AddNode("a");
    Node& b = AddNode("b");
    const std::string given = a.host->Say("alice", "/cheat giveitem Pick 1");
    ASSERT_EQ(Outcome(given), "granted");
    ASSERT_TRUE(Reaches(b, given)) << ReadText(b.server.Output());
    EXPECT_EQ(Outcome(b.host->Say("alice", "/cheat giveitem Pick 1")), "cooldown");
    EXPECT_EQ(Outcome(b.host->Say("bob", "/cheat giveitem Pick 1")), "granted");

    // Two uses an hour: one on each server, then none on either.
    const std::string first = a.host->Say("alice", "/cheat fly");
    ASSERT_EQ(Outcome(first), "granted");
    ASSERT_TRUE(Reaches(b, first));
    const std::string second = b.host->Say("alice", "/cheat fly");
    ASSERT_EQ(Outcome(second), "granted");
    ASSERT_TRUE(Reaches(a, second));
    EXPECT_EQ(Outcome(a.host->Say("alice", "/cheat fly")), "limit");
    EXPECT_EQ(Outcome(b.host->Say("alice", "/cheat fly")), "limit");
    EXPECT_EQ(Outcome(a.host->Say("bob", "/cheat fly")), "granted");
}

TEST_F(ClusterProcessTest, AForgiveOnOneServerHoldsOnAnother) {
    Node& a = AddNode("a");
    Node& b = AddNode("b");
    const std::string given = a.host->Say("alice", "/cheat giveitem Pick 1");
    ASSERT_EQ(Outcome(given), "granted");
    ASSERT_TRUE(Reaches(b, given));
    ASSERT_EQ(Outcome(b.host->Say("alice", "/cheat giveitem Pick 2")), "cooldown");
    const std::string forgiven = a.host->Say("op", "/corvane forgive alice giveitem");
    ASSERT_EQ(Outcome(forgiven), "forgiven");
    ASSERT_TRUE(Reaches(b, forgiven));
    // Times are to the second: a use of another server in the forgive's own
    // second can't be told from one before it, and is forgiven with them.
    std::this_thread::sleep_for(1100ms);
    const std::string again = b.host->Say("alice", "/cheat giveitem Pick 3");
    EXPECT_EQ(Outcome(again), "granted");
    // What b granted after the forgive holds on a, where the forgive was.
    ASSERT_TRUE(Reaches(a, again));
    EXPECT_EQ(Outcome(a.host->Say("alice", "/cheat giveitem Pick 4")), "cooldown");
}

// The game process reaches the cluster through files alone: under strace,
// the dev hosts of a use held and forgiven across servers make no socket and
// connect to nothing (their companions, not traced, do both).
TEST_F(ClusterProcessTest, TheGameProcessOpensNoSocket) {
    Node& a = AddNode("a", folder_ / "a.trace");
    Node& b = AddNode("b", folder_ / "b.trace");
    const std::string given = a.host->Say("alice", "/cheat giveitem Pick 1");
    ASSERT_TRUE(Reaches(b, given));
    EXPECT_EQ(Outcome(b.host->Say("alice", "/cheat giveitem Pick 2")), "cooldown");
    const std::string forgiven = a.host->Say("op", "/corvane forgive alice");
    ASSERT_TRUE(Reaches(b, forgiven));
    b.host->Send("feed");
    b.host->Send("say op /corvane check giveitem");
    for (Node* node : {&a, &b}) {
        SCOPED_TRACE(node->server.name);
        ASSERT_EQ(node->host->Quit(), 0) << node->host->Output();
        const std::string trace = ReadText(folder_ / (node->server.name + ".trace"));
        EXPECT_NE(trace.find("+++ exited with 0 +++"), std::string::npos) << "not traced: " << trace;
        EXPECT_EQ(trace.find("socket("), std::string::npos) << trace;
        EXPECT_EQ(trace.find("connect("), std::string::npos) << trace;
    }
    EXPECT_NE(ReadText(a.server.Output()).find("Feed filled"), std::string::npos) << "the companion ran";
}

// Three servers whose players use a command without pause, for rounds
// rounds, while disturb[round] acts at its round. Then every audit line of
// every server is in the table once, each feed holds every other server's
// granted use once, and no use was held back.
class BusyClusterTest : public ClusterProcessTest {
protected:
    void Run(int rounds, const std::map<int, std::function<void()>>& disturb) {
        for (const char* name : {"a", "b", "c"}) {
            AddNode(name);
        }
        for (int round = 0; round < rounds; ++round) {
            for (const auto& node : nodes_) {
                node->host->Send(fmt::format("say alice /cheat spawn Wolf {}", round));
                node->host->Send(fmt::format("say bob /cheat spawn Wolf {}", round));
            }
            if (const auto found = disturb.find(round); found != disturb.end()) {
                found->second();
            }
            std::this_thread::sleep_for(10ms);
        }
        std::size_t total = 0;
        for (const auto& node : nodes_) {
            ASSERT_EQ(node->host->Quit(), 0) << node->host->Output();
            total += AuditLines(node->server).size();
            if (node->companion < 0) {
                node->companion = StartCompanion(node->server);
            }
        }
        ASSERT_GE(total, nodes_.size() * 2 * static_cast<std::size_t>(rounds));
        ASSERT_TRUE(WaitUntil([&] { return Rows() >= total; }, 90s)) << Rows() << " rows of " << total;
        for (const auto& node : nodes_) {
            SCOPED_TRACE(node->server.name);
            const auto lines = AuditLines(node->server);
            EXPECT_EQ(Sorted(Sql(fmt::format("SELECT line FROM {} WHERE server = '{}'", Table(),
                                             node->server.name))),
                      Sorted(lines));
            EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                                    [](const std::string& line) {
                                        return line.find(R"("command":"spawn)") != std::string::npos &&
                                               Outcome(line) != "granted";
                                    }),
                      0)
                << "a use held back";
        }
        for (const auto& node : nodes_) {
            SCOPED_TRACE(node->server.name + "'s feed");
            std::vector<std::string> others;
            for (const auto& other : nodes_) {
                for (const std::string& line :
                     other == node ? std::vector<std::string>{} : AuditLines(other->server)) {
                    if (Outcome(line) == "granted") {
                        others.push_back(line);
                    }
                }
            }
            const auto feed = [&] {
                std::vector<std::string> uses;
                for (const std::string& line : Lines(node->server.Feed())) {
                    if (line.find(R"("action":"heartbeat")") == std::string::npos) {
                        uses.push_back(line);
                    }
                }
                return Sorted(uses);
            };
            EXPECT_TRUE(WaitUntil([&] { return feed().size() >= others.size(); }, 20s));
            const std::vector<std::string> held = feed(), expected = Sorted(others);
            std::vector<std::string> extra, missing;
            std::set_difference(held.begin(), held.end(), expected.begin(), expected.end(),
                                std::back_inserter(extra));
            std::set_difference(expected.begin(), expected.end(), held.begin(), held.end(),
                                std::back_inserter(missing));
            EXPECT_TRUE(extra.empty()) << extra.size() << " lines too many, the first: " << extra.front();
            EXPECT_TRUE(missing.empty())
                << missing.size() << " lines missing, the first: " << missing.front();
        }
    }
};

TEST_F(BusyClusterTest, EveryLineOnceThroughTheDatabaseKilledAndStalled) {
    Run(400, {{80, [] { Database().Kill(); }},
              {160, [] { ASSERT_TRUE(Database().Start()) << Database().ErrorLog(); }},
              {240, [] { Database().Pause(); }},
              {320, [] { Database().Resume(); }}});
    for (const auto& node : nodes_) {
        EXPECT_NE(ReadText(node->server.Output()).find("Back in touch with the database"), std::string::npos)
            << node->server.name << ": the database's death went unseen";
    }
}

// A companion killed before it wrote the feed starts again without one: it
// fills the feed with this server's own lines of earlier instances only.
TEST_F(BusyClusterTest, EveryLineOnceThroughCompanionsKilledMidCopy) {
    Run(400, {{60, [this] { KillCompanion(*nodes_[0]); }},
              {120, [this] { nodes_[0]->companion = StartCompanion(nodes_[0]->server); }},
              {200, [this] { KillCompanion(*nodes_[1]); }},
              {201, [this] { nodes_[1]->companion = StartCompanion(nodes_[1]->server); }},
              {300, [this] { KillCompanion(*nodes_[2]); }}});
}

TEST_F(ClusterProcessTest, ABrokenRowInTheTableReachesNoServer) {
    Node& b = AddNode("b");
    ASSERT_TRUE(WaitUntil([&] { return fs::exists(b.server.Feed()); }, 20s)) << ReadText(b.server.Output());
    // A use of erin's on b, as a template for rows of a server z.
    b.host->Send("join erin 76561198000000005");
    b.host->Send("grant erin Cheat.giveitem");
    const std::string template_ = b.host->Say("erin", "/cheat giveitem Pick 1");
    ASSERT_EQ(Outcome(template_), "granted");
    const auto from = [&](const std::string& steamId, const std::string& outcome) {
        std::string line = template_;
        line.replace(line.find(R"("server":"b")"), 12, R"("server":"z")");
        line.replace(line.find("76561198000000005"), 17, steamId);
        line.replace(line.find(R"("outcome":"granted")"), 19, R"("outcome":")" + outcome + R"(")");
        return line;
    };
    const std::vector<std::string> rows = {
        "{not json", from("765611980000000029999", "granted"), from(kBob, "teleported"),
        from(kBob, "granted").substr(0, template_.size() - 10), from(kAlice, "granted")};
    for (std::size_t seq = 0; seq < rows.size(); ++seq) {
        Sql(
            fmt::format("INSERT INTO {} (server, instance, seq, time, outcome, line) VALUES ('z', '{}', {}, "
                        "UTC_TIMESTAMP(), 'granted', '{}')",
                        Table(), std::string(32, 'e'), seq + 1, rows[seq]));
    }
    ASSERT_TRUE(Reaches(b, rows.back())) << ReadText(b.server.Output());
    EXPECT_EQ(Outcome(b.host->Say("alice", "/cheat giveitem Pick 2")), "cooldown");
    EXPECT_EQ(Outcome(b.host->Say("bob", "/cheat giveitem Pick 2")), "granted");
    const std::string feed = ReadText(b.server.Feed());
    for (std::size_t row = 0; row + 1 < rows.size(); ++row) {
        EXPECT_EQ(feed.find(rows[row]), std::string::npos) << rows[row];
    }
    EXPECT_NE(ReadText(b.server.Output()).find("Kept out of the feed: rows of other servers that are broken"),
              std::string::npos);
}

}  // namespace
}  // namespace CompanionTests
