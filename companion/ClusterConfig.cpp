#include "companion/ClusterConfig.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <stdexcept>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "core/settings/AuditPath.h"
#include "core/settings/ClusterNames.h"

namespace Companion {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;

#ifdef _WIN32
constexpr bool kWindowsPaths = true;
#else
constexpr bool kWindowsPaths = false;
#endif

// The plugin holds every window at this many seconds at most.
constexpr double kLongestSeconds = 1e9;

// A problem with a member: thrown inside the reader, caught once.
struct Problem : std::runtime_error {
    using std::runtime_error::runtime_error;
};

[[noreturn]] void Fail(const std::string& pointer, const std::string& what) {
    throw Problem(fmt::format("{}: {}", pointer, what));
}

const json* Member(const json& object, const char* key) {
    const auto found = object.find(key);
    return found == object.end() ? nullptr : &*found;
}

std::string Text(const json& object, const char* key, const std::string& pointer, const std::string& fallback,
                 bool required = false) {
    const json* value = Member(object, key);
    if (value == nullptr) {
        if (required) {
            Fail(pointer + "/" + key, "missing");
        }
        return fallback;
    }
    if (!value->is_string() || value->get_ref<const std::string&>().empty()) {
        Fail(pointer + "/" + key, "not a non-empty text");
    }
    return value->get<std::string>();
}

fs::path ResolvedPath(const std::string& text, const fs::path& folder, const std::string& pointer) {
    const Corvane::AuditPath path = Corvane::ResolveAuditPath(text, folder, kWindowsPaths);
    if (!path.problem.empty()) {
        Fail(pointer, path.problem);
    }
    return path.file;
}

double Seconds(const json& value) {
    return value.is_number() ? std::min(value.get<double>(), kLongestSeconds) : 0.0;
}

// The longest Cooldown or MaxUses.Per among Commands' entries; malformed
// entries are the plugin's to report, and count for nothing here.
std::chrono::seconds LongestWindow(const json& document) {
    double longest = 0;
    const json* commands = Member(document, "Commands");
    if (commands != nullptr && commands->is_object()) {
        for (const auto& [name, entry] : commands->items()) {
            if (!entry.is_object()) {
                continue;
            }
            if (const json* cooldown = Member(entry, "Cooldown")) {
                longest = std::max(longest, Seconds(*cooldown));
            }
            const json* maxUses = Member(entry, "MaxUses");
            if (maxUses != nullptr && maxUses->is_object()) {
                if (const json* per = Member(*maxUses, "Per")) {
                    longest = std::max(longest, Seconds(*per));
                }
            }
        }
    }
    return std::chrono::seconds(static_cast<std::int64_t>(std::ceil(longest)));
}

std::string ReadPasswordFile(const fs::path& file, const std::string& pointer) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        Fail(pointer, fmt::format("can't read {}", Corvane::PathText(file)));
    }
    std::string text((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    // One line, as an editor saves it.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

std::string Password(const json& database, const fs::path& folder) {
    const char* pointer = "/Cluster/Database";
    const int given = static_cast<int>(database.contains("Password")) +
                      static_cast<int>(database.contains("PasswordFile")) +
                      static_cast<int>(database.contains("PasswordEnv"));
    if (given > 1) {
        Fail(pointer, "give at most one of Password, PasswordFile and PasswordEnv");
    }
    if (database.contains("Password")) {
        const json& value = database["Password"];
        if (!value.is_string()) {
            Fail(std::string(pointer) + "/Password", "not a text");
        }
        return value.get<std::string>();
    }
    if (database.contains("PasswordFile")) {
        const std::string name = Text(database, "PasswordFile", pointer, "");
        return ReadPasswordFile(ResolvedPath(name, folder, "/Cluster/Database/PasswordFile"),
                                "/Cluster/Database/PasswordFile");
    }
    if (database.contains("PasswordEnv")) {
        const std::string variable = Text(database, "PasswordEnv", pointer, "");
        const char* value = std::getenv(variable.c_str());
        if (value == nullptr) {
            Fail("/Cluster/Database/PasswordEnv", fmt::format("the variable {} is not set", variable));
        }
        return value;
    }
    return "";
}

DatabaseSettings ReadDatabase(const json& cluster, const fs::path& folder) {
    const std::string pointer = "/Cluster/Database";
    const json* database = Member(cluster, "Database");
    if (database == nullptr || !database->is_object()) {
        Fail(pointer, database == nullptr ? "missing" : "not an object");
    }
    DatabaseSettings settings;
    settings.host = Text(*database, "Host", pointer, settings.host);
    settings.user = Text(*database, "User", pointer, "", true);
    settings.name = Text(*database, "Name", pointer, "", true);
    settings.table = Text(*database, "Table", pointer, settings.table);
    if (!Corvane::IsTableName(settings.table)) {
        Fail(pointer + "/Table", "not 1 to 64 ASCII letters, digits and _");
    }
    if (const json* port = Member(*database, "Port")) {
        if (!port->is_number_unsigned() || port->get<unsigned>() == 0 || port->get<unsigned>() > 65535) {
            Fail(pointer + "/Port", "not a port number (1 to 65535)");
        }
        settings.port = port->get<unsigned>();
    }
    settings.password = Password(*database, folder);
    if (const json* tls = Member(*database, "Tls")) {
        if (!tls->is_object()) {
            Fail(pointer + "/Tls", "not an object");
        }
        settings.tlsCa =
            ResolvedPath(Text(*tls, "CA", pointer + "/Tls", "", true), folder, pointer + "/Tls/CA");
    }
    return settings;
}

ClusterConfig ReadCluster(const json& document, const fs::path& folder) {
    const json* cluster = Member(document, "Cluster");
    if (cluster == nullptr || !cluster->is_object()) {
        Fail("/Cluster",
             cluster == nullptr ? "missing: the companion serves a server of a cluster" : "not an object");
    }
    ClusterConfig config;
    config.server = Text(*cluster, "Server", "/Cluster", "", true);
    if (!Corvane::IsServerName(config.server)) {
        Fail("/Cluster/Server", "not 1 to 64 ASCII letters, digits, _, . and -");
    }
    if (!document.contains("AuditLog")) {
        Fail("/AuditLog", "missing: Cluster needs the audit file");
    }
    config.auditFile = ResolvedPath(Text(document, "AuditLog", "", ""), folder, "/AuditLog");
    if (const json* rotate = Member(document, "AuditRotate"); rotate != nullptr && rotate->is_object()) {
        if (const json* keep = Member(*rotate, "Keep"); keep != nullptr && keep->is_number_unsigned()) {
            config.keep = std::min(keep->get<std::uint32_t>(), std::uint32_t{1000});
        }
    }
    if (cluster->contains("Feed")) {
        config.feedFile = ResolvedPath(Text(*cluster, "Feed", "/Cluster", ""), folder, "/Cluster/Feed");
    } else {
        config.feedFile = config.auditFile.parent_path() / "CheatFeed.jsonl";
    }
    if (const json* poll = Member(*cluster, "PollSeconds")) {
        if (!poll->is_number() || poll->get<double>() < 0.1 || poll->get<double>() > 60) {
            Fail("/Cluster/PollSeconds", "not a number of seconds from 0.1 to 60");
        }
        config.poll = std::chrono::milliseconds(std::lround(poll->get<double>() * 1000));
    }
    config.longestWindow = LongestWindow(document);
    config.database = ReadDatabase(*cluster, folder);
    return config;
}

// Reads configFile's JSON object and gives it, with the file's folder, to
// read; what is wrong with the file, or what read threw, when either fails.
std::string ReadConfig(const fs::path& configFile,
                       const std::function<void(const json&, const fs::path&)>& read) {
    std::ifstream stream(configFile, std::ios::binary);
    if (!stream) {
        return fmt::format("Can't open {}", Corvane::PathText(configFile));
    }
    // A byte-order mark, as editors on Windows write one.
    if (stream.peek() == 0xEF) {
        stream.ignore(3);
    }
    try {
        json document;
        stream >> document;
        if (!document.is_object()) {
            return "config.json is not a JSON object";
        }
        read(document, configFile.parent_path());
        return "";
    } catch (const json::exception& error) {
        return fmt::format("config.json is not valid JSON: {}", error.what());
    } catch (const Problem& problem) {
        return problem.what();
    }
}

}  // namespace

ConfigResult ReadClusterConfig(const fs::path& configFile) {
    ConfigResult result;
    result.problem = ReadConfig(configFile, [&result](const json& document, const fs::path& folder) {
        result.config = ReadCluster(document, folder);
    });
    return result;
}

DatabaseConfigResult ReadDatabaseConfig(const fs::path& configFile) {
    DatabaseConfigResult result;
    result.problem = ReadConfig(configFile, [&result](const json& document, const fs::path& folder) {
        const json* cluster = Member(document, "Cluster");
        if (cluster == nullptr || !cluster->is_object()) {
            Fail("/Cluster",
                 cluster == nullptr ? "missing: it names the cluster's database" : "not an object");
        }
        result.database = ReadDatabase(*cluster, folder);
    });
    return result;
}

}  // namespace Companion
