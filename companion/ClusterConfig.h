// What the companion needs of config.json: the Cluster member, where the
// audit file is, and the longest window any control looks back over. Read
// here from the JSON itself: the plugin's reader checks the same members'
// shapes (core/settings/ClusterMembers.h) but keeps none of the database's,
// and reads no password file or variable. The names' rules are shared
// (core/settings/ClusterNames.h).
#pragma once

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace Companion {

struct DatabaseSettings {
    std::string host = "127.0.0.1";
    unsigned port = 3306;
    std::string user;
    std::string name;
    std::string password;  // never shown
    std::string table = "corvane_audit";
    std::optional<std::filesystem::path> tlsCa;
};

struct ClusterConfig {
    std::string server;
    std::filesystem::path auditFile;
    std::uint32_t keep = 0;  // rotated audit files kept beside it
    std::filesystem::path feedFile;
    std::chrono::milliseconds poll{1000};
    // The longest Cooldown or MaxUses Per of Commands: how far back the feed reaches.
    std::chrono::seconds longestWindow{0};
    DatabaseSettings database;
};

struct ConfigResult {
    std::optional<ClusterConfig> config;
    std::string problem;  // when config is none: the member and what is wrong
};

// Reads the file at configFile: relative paths in it are taken from its
// folder (the plugin's); PasswordEnv names a variable of this process.
ConfigResult ReadClusterConfig(const std::filesystem::path& configFile);

struct DatabaseConfigResult {
    std::optional<DatabaseSettings> database;
    std::string problem;  // when database is none
};

// Only Cluster.Database of configFile, for a reader of the table that serves
// no server; read as ReadClusterConfig reads it.
DatabaseConfigResult ReadDatabaseConfig(const std::filesystem::path& configFile);

}  // namespace Companion
