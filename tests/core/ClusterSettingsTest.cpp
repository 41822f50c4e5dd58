// "Cluster" as the load reads it: each mistake gives exactly its problem at
// its place, never showing a password, and what loads holds the values
// written, the feed beside the audit file unless it is named.
#include <gmock/gmock.h>

#include <sstream>

#include "core/settings/ConfigFile.h"
#include "core/settings/ConfigReader.h"

namespace {

using Corvane::ConfigProblem;
using Severity = ConfigProblem::Severity;

struct Read {
    Corvane::SettingsReading reading;
    std::vector<std::string> problems;  // "error /x: ...", notes left out
};

// The document with its Cluster member (and AuditLog, unless withAudit is false).
Read ReadCluster(const std::string& cluster, bool withAudit = true) {
    std::istringstream stream(
        R"({"PrintToChat": true, "Messages": {"LogMsg": "{0} ran {1}", "NoPermissions": "No.", "Sender": "S"},)" +
        std::string(withAudit ? R"("AuditLog": "logs/a.jsonl",)" : "") + R"("Cluster": )" + cluster + "}");
    Read read{Corvane::ReadSettings(Corvane::ReadConfig(stream), "plugin"), {}};
    for (const ConfigProblem& problem : read.reading.problems) {
        if (problem.severity != Severity::Note) {
            read.problems.push_back((problem.severity == Severity::Error ? "error " : "warning ") +
                                    problem.position + ": " + problem.description);
        }
    }
    return read;
}

const std::string kDatabase = R"("Database": {"User": "corvane", "Name": "corvane"})";

TEST(ClusterSettings, EachMistakeIsToldAtItsPlace) {
    const struct {
        std::string cluster;
        std::vector<std::string> problems;
    } cases[] = {
        {R"({"Server": "island-1.a_b", )" + kDatabase + "}", {}},
        {R"({"Server": "island-1", "Feed": "f.jsonl", "StaleAfter": 30, "PollSeconds": 0.5,
            "Database": {"Host": "db", "Port": 3307, "User": "u", "Name": "n", "PasswordEnv": "PW", "Table": "t_1",
            "Tls": {"CA": "ca.pem"}}})",
         {}},
        {"{" + kDatabase + "}",
         {"error /Cluster/Server: missing: the name this server writes in its audit lines"}},
        {R"({"Server": "island 1", )" + kDatabase + "}",
         {"error /Cluster/Server: is \"island 1\", not a server's name: 1 to 64 ASCII letters, digits, _ . "
          "and -"}},
        {R"({"Server": ")" + std::string(65, 'a') + "\", " + kDatabase + "}",
         {"error /Cluster/Server: is \"" + std::string(65, 'a') +
          "\", not a server's name: 1 to 64 ASCII letters, digits, _ . and -"}},
        {R"({"Server": "", )" + kDatabase + "}", {"error /Cluster/Server: is empty, not a server's name"}},
        {R"({"Server": 1, )" + kDatabase + "}", {"error /Cluster/Server: is a number, not a server's name"}},
        {R"({"Server": "a", "StaleAfter": 0, )" + kDatabase + "}",
         {"error /Cluster/StaleAfter: is 0, not a whole number of seconds from 1 to 1000000000"}},
        {R"({"Server": "a", "PollSeconds": 0.05, )" + kDatabase + "}",
         {"error /Cluster/PollSeconds: is 0.05, not a number of seconds from 0.1 to 60"}},
        {R"({"Server": "a", "Feed": "logs/a.jsonl", )" + kDatabase + "}",
         {"error /Cluster/Feed: names the audit file: the companion writes other servers' lines into the "
          "feed"}},
        {R"({"Server": "a", "Feed": "config.json", )" + kDatabase + "}",
         {"error /Cluster/Feed: names the configuration file: the companion writes other servers' lines into "
          "the "
          "feed"}},
        {R"({"Server": "a"})",
         {"error /Cluster/Database: missing: the companion reaches the cluster's table through it"}},
        {R"({"Server": "a", "Database": []})",
         {"error /Cluster/Database: is an array, not an object with User and Name"}},
        {R"({"Server": "a", "Database": {"Name": "n"}})",
         {"error /Cluster/Database/User: missing: the user the companion connects as"}},
        {R"({"Server": "a", "Database": {"User": "u", "Name": "n", "Port": 70000}})",
         {"error /Cluster/Database/Port: is 70000, not a whole number of a port from 1 to 65535"}},
        {R"({"Server": "a", "Database": {"User": "u", "Name": "n", "Table": "audit-log"}})",
         {"error /Cluster/Database/Table: is \"audit-log\", not a table's name: 1 to 64 ASCII letters, "
          "digits and _"}},
        {R"({"Server": "a", "Database": {"User": "u", "Name": "n", "Password": "hunter2", "PasswordEnv": "PW"}})",
         {"error /Cluster/Database: gives more than one of Password, PasswordFile and PasswordEnv"}},
        {R"({"Server": "a", "Database": {"User": "u", "Name": "n", "Tls": {}}})",
         {"error /Cluster/Database/Tls/CA: missing: the certificate authority the server's certificate is "
          "checked "
          "against"}},
        {R"({"Server": "a", "Database": {"User": "u", "Name": "n", "Pasword": "hunter2"}})",
         {"error /Cluster/Database/Pasword: is not a setting of the database (Host, Port, User, Name, "
          "Password, "
          "PasswordFile, PasswordEnv, Table, Tls) (did you mean /Cluster/Database/Password?)"}},
        {R"({"Server": "a", "Stale": 5, )" + kDatabase + "}",
         {"error /Cluster/Stale: is not a setting of the cluster (Server, Feed, StaleAfter, PollSeconds, "
          "Database)"}},
        {R"(["a"])", {"error /Cluster: is an array, not an object with Server and Database"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cluster);
        EXPECT_THAT(ReadCluster(c.cluster).problems, ::testing::ElementsAreArray(c.problems));
    }
}

TEST(ClusterSettings, APasswordIsNeverShown) {
    for (const char* member : {R"("Password": 7)", R"("Password": "hunter2", "PasswordFile": "hunter2")",
                               R"("User": "u", "Name": "n", "Host": "", "Password": "hunter2")"}) {
        SCOPED_TRACE(member);
        const Read read = ReadCluster(std::string(R"({"Server": "a", "Database": {)") + member + "}}");
        ASSERT_THAT(read.problems, ::testing::Not(::testing::IsEmpty()));
        for (const std::string& problem : read.problems) {
            EXPECT_THAT(problem, ::testing::Not(::testing::HasSubstr("hunter2")));
        }
    }
}

TEST(ClusterSettings, ClusterNeedsTheAuditFile) {
    EXPECT_THAT(ReadCluster(R"({"Server": "a", )" + kDatabase + "}", false).problems,
                ::testing::ElementsAre(
                    "error /Cluster: needs AuditLog: the companion copies the audit file to the cluster"));
}

TEST(ClusterSettings, WhatLoadsHoldsItsValues) {
    const Read defaults = ReadCluster(R"({"Server": "island-1", )" + kDatabase + "}");
    ASSERT_TRUE(defaults.reading.settings.cluster);
    EXPECT_EQ(defaults.reading.settings.cluster->server, "island-1");
    EXPECT_EQ(defaults.reading.settings.cluster->feedFile,
              std::filesystem::path("plugin/logs/CheatFeed.jsonl"));
    EXPECT_EQ(defaults.reading.settings.cluster->staleAfter, std::chrono::seconds(10));

    const Read named =
        ReadCluster(R"({"Server": "b", "Feed": "feeds/f.jsonl", "StaleAfter": 25, )" + kDatabase + "}");
    ASSERT_TRUE(named.reading.settings.cluster);
    EXPECT_EQ(named.reading.settings.cluster->feedFile, std::filesystem::path("plugin/feeds/f.jsonl"));
    EXPECT_EQ(named.reading.settings.cluster->staleAfter, std::chrono::seconds(25));

    EXPECT_FALSE(ReadCluster(R"({"Server": "b c", )" + kDatabase + "}").reading.settings.cluster);
}

}  // namespace
