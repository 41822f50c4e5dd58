// The companion while the database fails under it: killed and started again,
// stalled with SIGSTOP, and reached over TLS. Slower than the other process
// tests: they wait out timeouts and back-offs.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>

#include <fmt/format.h>

#include "tests/companion/ClusterFixture.h"
#include "tests/companion/Processes.h"

namespace CompanionTests {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class CompanionFailureTest : public ClusterTest {
protected:
    static std::string Log(const GameServer& server) { return ReadText(server.Output()); }

    // Writes lines as a busy server does, rotating often, until stopped.
    void StartWriting(const GameServer& server) {
        writer_ = std::thread([this, server] {
            for (int i = 0; !stop_; ++i) {
                const std::string line = AuditLine("a", "76561198000000001", fmt::format("giveitem {}", i));
                Append(server.Audit(), {line});
                written_.push_back(line);
                if (i % 200 == 199) {
                    Rotate(server.Audit(), 2);
                }
                std::this_thread::sleep_for(2ms);
            }
        });
    }
    std::vector<std::string> StopWriting() {
        stop_ = true;
        writer_.join();
        return written_;
    }
    void TearDown() override {
        if (writer_.joinable()) {
            StopWriting();
        }
        ClusterTest::TearDown();
    }

    std::atomic<bool> stop_{false};
    std::thread writer_;
    std::vector<std::string> written_;
};

TEST_F(CompanionFailureTest, EveryLineOnceThroughTheDatabaseKilledAndStalled) {
    const GameServer server = AddServer("a", {}, 2);
    ASSERT_EQ(RunUntilIdle(server), 0);
    StartCompanion(server);
    StartWriting(server);
    std::this_thread::sleep_for(1s);
    Database().Kill();
    // Down long enough for the files it had not copied to be rotated away and
    // deleted: it holds them open, and copies them once the database is back.
    std::this_thread::sleep_for(4s);
    ASSERT_TRUE(Database().Start());
    ASSERT_TRUE(WaitUntil(
        [&] { return Log(server).find("Back in touch with the database") != std::string::npos; }, 40s))
        << Log(server);
    const std::size_t before = Log(server).size();
    Database().Pause();
    const auto stalled = std::chrono::steady_clock::now();
    // A stalled server times out, and nothing waits on it for ever.
    EXPECT_TRUE(WaitUntil([&] { return Log(server).find("[error]", before) != std::string::npos; }, 20s))
        << Log(server);
    EXPECT_LT(std::chrono::steady_clock::now() - stalled, 20s);
    std::this_thread::sleep_for(2s);
    Database().Resume();
    const std::vector<std::string> written = StopWriting();
    EXPECT_TRUE(WaitUntil([&] { return Rows() == written.size(); }, 30s))
        << Rows() << " of " << written.size() << "\n"
        << Log(server);
    const auto copied = Sql(fmt::format("SELECT line FROM {} ORDER BY seq", Table()));
    const auto differ = std::mismatch(copied.begin(), copied.end(), written.begin(), written.end());
    EXPECT_EQ(differ.first, copied.end())
        << "first difference at line " << differ.first - copied.begin() << " of " << written.size();
    EXPECT_EQ(Log(server).find("Not copied"), std::string::npos);
    EXPECT_EQ(Log(server).find(kPassword), std::string::npos);
}

// A certificate authority of the test's own, and a server certificate for 127.0.0.1 it signed.
bool MakeCertificates(const fs::path& folder, const std::string& name) {
    const fs::path log = folder / "openssl.log";
    const auto run = [&](std::vector<std::string> arguments) { return RunToEnd(arguments, log) == 0; };
    const std::string ca = (folder / (name + "-ca.pem")).string();
    const std::string caKey = (folder / (name + "-ca.key")).string();
    const std::string key = (folder / (name + "-server.key")).string();
    const std::string request = (folder / (name + "-server.csr")).string();
    const std::string certificate = (folder / (name + "-server.pem")).string();
    const fs::path extensions = folder / (name + "-san.cnf");
    std::ofstream(extensions) << "subjectAltName = IP:127.0.0.1\n";
    return run({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                "/CN=Test CA " + name, "-keyout", caKey, "-out", ca}) &&
           run({"openssl", "req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", key,
                "-out", request}) &&
           run({"openssl", "x509", "-req", "-in", request, "-CA", ca, "-CAkey", caKey, "-CAcreateserial",
                "-days", "2", "-extfile", extensions.string(), "-out", certificate});
}

TEST_F(CompanionFailureTest, TlsEncryptsAndChecksTheServersCertificate) {
    ASSERT_TRUE(MakeCertificates(folder_, "good")) << ReadText(folder_ / "openssl.log");
    ASSERT_TRUE(MakeCertificates(folder_, "other")) << ReadText(folder_ / "openssl.log");
    MariaDbServer secure(folder_ / "secure",
                         {folder_ / "good-server.pem", folder_ / "good-server.key", folder_ / "good-ca.pem"});
    ASSERT_TRUE(secure.Start()) << secure.ErrorLog();
    secure.Sql(
        fmt::format("CREATE DATABASE corvane; CREATE USER corvane@'%' IDENTIFIED BY '{}';"
                    "GRANT ALL ON corvane.* TO corvane@'%'",
                    kPassword));
    const GameServer server = AddServer("a");
    const auto members = [&](const std::string& tls) {
        return fmt::format(
            R"("Host": "127.0.0.1", "Port": {}, "User": "corvane", "Name": "corvane", "PasswordEnv": "TEST_DB_PASSWORD"{})",
            secure.Port(), tls);
    };
    struct Case {
        std::string tls;
        int status;
        std::string says;
    } cases[] = {
        {R"(, "Tls": {"CA": "../good-ca.pem"})", 1, "The table corvane_audit is missing"},
        {R"(, "Tls": {"CA": "../other-ca.pem"})", 1, "The encrypted connection to 127.0.0.1:"},
        {"", 1, "Problem: "},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.tls);
        WriteConfig(server, members(test.tls));
        std::string output;
        EXPECT_EQ(Check(server, output), test.status);
        EXPECT_NE(output.find(test.says), std::string::npos) << output;
    }
    WriteConfig(server, members(R"(, "Tls": {"CA": "../good-ca.pem"})"));
    Append(server.Audit(), {AuditLine("a", "1", "fly")});
    ASSERT_EQ(RunUntilIdle(server), 0) << Log(server);
    std::string output;
    EXPECT_EQ(Check(server, output), 0);
    EXPECT_NE(output.find("Connection: encrypted ("), std::string::npos) << output;
    EXPECT_EQ(secure.Sql("SELECT COUNT(*) FROM corvane.corvane_audit").at(0), "1");
}

}  // namespace
}  // namespace CompanionTests
