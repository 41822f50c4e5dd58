#include "core/settings/ClusterMembers.h"

#include <array>
#include <cmath>
#include <system_error>

#include "core/settings/AuditPath.h"
#include "core/settings/ClusterNames.h"
#include "core/settings/ConfigReader.h"

namespace Corvane {
namespace {

using nlohmann::json;
using Severity = ConfigProblem::Severity;

constexpr std::uint64_t kMostPort = 65535;
constexpr double kLeastPoll = 0.1;
constexpr double kMostPoll = 60;

// A non-empty text; its value is never shown, so that a password written in
// the wrong member stays unshown too.
bool IsText(ConfigReading& reading, const std::string& position, const json& value, const char* what) {
    if (value.is_string() && !value.get_ref<const std::string&>().empty()) {
        return true;
    }
    reading.Add(Severity::Error, position,
                (value.is_string() ? std::string("is empty") : "is " + WithArticle(value)) + ", not " + what);
    return false;
}

// A path as AuditLog takes it: relative to the plugin's folder.
std::optional<std::filesystem::path> ReadPath(ConfigReading& reading, const std::string& position,
                                              const json& value) {
    if (!IsText(reading, position, value, "the text of a file's path")) {
        return std::nullopt;
    }
    AuditPath resolved = ResolveAuditPath(value.get<std::string>(), reading.pluginFolder);
    if (!resolved.problem.empty()) {
        reading.Add(Severity::Error, position, std::move(resolved.problem));
        return std::nullopt;
    }
    return resolved.file;
}

void ReadServer(ConfigReading& reading, const std::string& position, const json& value,
                ClusterSettings& cluster) {
    if (!IsText(reading, position, value, "a server's name")) {
        return;
    }
    if (!IsServerName(value.get<std::string>())) {
        reading.Add(Severity::Error, position,
                    "is " + value.dump() + ", not a server's name: 1 to 64 ASCII letters, digits, _ . and -");
        return;
    }
    cluster.server = value.get<std::string>();
}

void ServerMissing(ConfigReading& reading, const std::string& position, ClusterSettings&) {
    reading.Add(Severity::Error, position, "missing: the name this server writes in its audit lines");
}

void ReadFeed(ConfigReading& reading, const std::string& position, const json& value,
              ClusterSettings& cluster) {
    if (auto file = ReadPath(reading, position, value)) {
        cluster.feedFile = std::move(*file);
    }
}

void ReadStaleAfter(ConfigReading& reading, const std::string& position, const json& value,
                    ClusterSettings& cluster) {
    const auto seconds = reading.WholeNumber(value, position, 1,
                                             static_cast<std::uint64_t>(kLongestCooldown.count()), "seconds");
    cluster.staleAfter = std::chrono::seconds(seconds.value_or(cluster.staleAfter.count()));
}

void ReadPollSeconds(ConfigReading& reading, const std::string& position, const json& value,
                     ClusterSettings&) {
    if (!value.is_number() || !(value.get<double>() >= kLeastPoll && value.get<double>() <= kMostPoll)) {
        reading.Add(Severity::Error, position,
                    "is " + (value.is_number() ? value.dump() : WithArticle(value)) +
                        ", not a number of seconds from 0.1 to 60");
    }
}

void ReadDatabase(ConfigReading& reading, const std::string& position, const json& value, ClusterSettings&);

void DatabaseMissing(ConfigReading& reading, const std::string& position, ClusterSettings&) {
    reading.Add(Severity::Error, position, "missing: the companion reaches the cluster's table through it");
}

constexpr auto kControl = MemberKind::Control;

constexpr std::array kClusterMembers{
    Member<ClusterSettings>{"Server", kControl, ReadServer, ServerMissing},
    Member<ClusterSettings>{"Feed", kControl, ReadFeed},
    Member<ClusterSettings>{"StaleAfter", kControl, ReadStaleAfter},
    Member<ClusterSettings>{"PollSeconds", kControl, ReadPollSeconds},
    Member<ClusterSettings>{"Database", kControl, ReadDatabase, DatabaseMissing},
};

constexpr MemberLevel<Member<ClusterSettings>> kClusterLevel{ConfigLevel::Cluster, "/Cluster",
                                                             "of the cluster", kClusterMembers};

void ReadHost(ConfigReading& reading, const std::string& position, const json& value, CompanionMembers&) {
    IsText(reading, position, value, "a host's name or address");
}

void ReadPort(ConfigReading& reading, const std::string& position, const json& value, CompanionMembers&) {
    reading.WholeNumber(value, position, 1, kMostPort, "a port");
}

void ReadUser(ConfigReading& reading, const std::string& position, const json& value, CompanionMembers&) {
    IsText(reading, position, value, "a user's name");
}

void UserMissing(ConfigReading& reading, const std::string& position, CompanionMembers&) {
    reading.Add(Severity::Error, position, "missing: the user the companion connects as");
}

void ReadName(ConfigReading& reading, const std::string& position, const json& value, CompanionMembers&) {
    IsText(reading, position, value, "a database's name");
}

void NameMissing(ConfigReading& reading, const std::string& position, CompanionMembers&) {
    reading.Add(Severity::Error, position, "missing: the database that holds the table");
}

void ReadPassword(ConfigReading& reading, const std::string& position, const json& value,
                  CompanionMembers& members) {
    ++members.passwords;
    if (!value.is_string()) {
        reading.Add(Severity::Error, position, "is " + WithArticle(value) + ", not a text");
    }
}

void ReadPasswordFile(ConfigReading& reading, const std::string& position, const json& value,
                      CompanionMembers& members) {
    ++members.passwords;
    ReadPath(reading, position, value);
}

void ReadPasswordEnv(ConfigReading& reading, const std::string& position, const json& value,
                     CompanionMembers& members) {
    ++members.passwords;
    IsText(reading, position, value, "the name of an environment variable");
}

void ReadTable(ConfigReading& reading, const std::string& position, const json& value, CompanionMembers&) {
    if (IsText(reading, position, value, "a table's name") && !IsTableName(value.get<std::string>())) {
        reading.Add(Severity::Error, position,
                    "is " + value.dump() + ", not a table's name: 1 to 64 ASCII letters, digits and _");
    }
}

void ReadTls(ConfigReading& reading, const std::string& position, const json& value, CompanionMembers&);

constexpr std::array kDatabaseMembers{
    Member<CompanionMembers>{"Host", kControl, ReadHost},
    Member<CompanionMembers>{"Port", kControl, ReadPort},
    Member<CompanionMembers>{"User", kControl, ReadUser, UserMissing},
    Member<CompanionMembers>{"Name", kControl, ReadName, NameMissing},
    Member<CompanionMembers>{"Password", kControl, ReadPassword},
    Member<CompanionMembers>{"PasswordFile", kControl, ReadPasswordFile},
    Member<CompanionMembers>{"PasswordEnv", kControl, ReadPasswordEnv},
    Member<CompanionMembers>{"Table", kControl, ReadTable},
    Member<CompanionMembers>{"Tls", kControl, ReadTls},
};

constexpr MemberLevel<Member<CompanionMembers>> kDatabaseLevel{ConfigLevel::Database, "/Cluster/Database",
                                                               "of the database", kDatabaseMembers};

void ReadCa(ConfigReading& reading, const std::string& position, const json& value, CompanionMembers&) {
    ReadPath(reading, position, value);
}

void CaMissing(ConfigReading& reading, const std::string& position, CompanionMembers&) {
    reading.Add(Severity::Error, position,
                "missing: the certificate authority the server's certificate is checked against");
}

constexpr std::array kTlsMembers{
    Member<CompanionMembers>{"CA", kControl, ReadCa, CaMissing},
};

constexpr MemberLevel<Member<CompanionMembers>> kTlsLevel{ConfigLevel::Tls, "/Cluster/Database/Tls", "of TLS",
                                                          kTlsMembers};

void ReadDatabase(ConfigReading& reading, const std::string& position, const json& value, ClusterSettings&) {
    if (!value.is_object()) {
        reading.Add(Severity::Error, position,
                    "is " + WithArticle(value) + ", not an object with User and Name");
        return;
    }
    CompanionMembers members;
    ReadInDocumentOrder(reading, kDatabaseLevel, position, value, members);
    if (members.passwords > 1) {
        reading.Add(Severity::Error, position,
                    "gives more than one of Password, PasswordFile and PasswordEnv");
    }
}

void ReadTls(ConfigReading& reading, const std::string& position, const json& value, CompanionMembers&) {
    if (!value.is_object()) {
        reading.Add(Severity::Error, position, "is " + WithArticle(value) + ", not an object with CA");
        return;
    }
    CompanionMembers members;
    ReadInDocumentOrder(reading, kTlsLevel, position, value, members);
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ignored;
    return a.lexically_normal() == b.lexically_normal() || std::filesystem::equivalent(a, b, ignored);
}

}  // namespace

const MemberLevel<Member<ClusterSettings>>& ClusterLevel() {
    return kClusterLevel;
}

const MemberLevel<Member<CompanionMembers>>& DatabaseLevel() {
    return kDatabaseLevel;
}

const MemberLevel<Member<CompanionMembers>>& TlsLevel() {
    return kTlsLevel;
}

void ReadCluster(ConfigReading& reading, const std::string& position, const json& value, Settings& settings) {
    if (!value.is_object()) {
        reading.Add(Severity::Error, position,
                    "is " + WithArticle(value) + ", not an object with Server and Database");
        return;
    }
    if (!reading.document.contains("AuditLog")) {
        reading.Add(Severity::Error, position,
                    "needs AuditLog: the companion copies the audit file to the cluster");
    }
    ClusterSettings cluster;
    if (!ReadInDocumentOrder(reading, kClusterLevel, position, value, cluster) || !settings.auditFile) {
        return;
    }
    if (cluster.feedFile.empty()) {
        cluster.feedFile = settings.auditFile->parent_path() / "CheatFeed.jsonl";
    }
    for (const auto& [file, what] :
         {std::pair{*settings.auditFile, "the audit file"},
          std::pair{reading.pluginFolder / "config.json", "the configuration file"}}) {
        if (SameFile(cluster.feedFile, file)) {
            reading.Add(
                Severity::Error, position + "/Feed",
                std::string("names ") + what + ": the companion writes other servers' lines into the feed");
            return;
        }
    }
    settings.cluster = std::move(cluster);
}

}  // namespace Corvane
