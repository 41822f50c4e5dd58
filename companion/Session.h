// One connection to the cluster's table with the statements the companion
// runs on it, prepared once: opened, checked and, when the tables are missing
// and the user may, set up from docs/cluster-schema.sql.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "companion/ClusterConfig.h"
#include "companion/Database.h"

namespace Companion {

// The version of the table this companion reads and writes.
inline constexpr unsigned kSchemaVersion = 1;

struct Session {
    Connection connection;
    std::unique_ptr<Statement> insert;         // one line
    std::unique_ptr<Statement> pollIds;        // others' rows above an id
    std::unique_ptr<Statement> pollRows;       // others' rows in a range of ids
    std::unique_ptr<Statement> firstInWindow;  // the lowest id of a row since a time
    std::unique_ptr<Statement> fillOthers;     // others' rows since a time, from an id on
    std::unique_ptr<Statement> fillAll;        // also this server's rows of other instances
    std::unique_ptr<Statement> highestId;
    std::unique_ptr<Statement> twins;  // rows of this server's name by another instance
};

// What the operator reads when a session can't be had: what is wrong and what to do.
std::string Explain(const DatabaseFailure& failure, const DatabaseSettings& settings);

// The version in the table's version table: none, with failure set, when it
// can't be read.
std::optional<unsigned> SchemaVersion(Connection& connection, const std::string& table,
                                      std::optional<DatabaseFailure>& failure);

// The schema's statements for the configured table, in order.
std::vector<std::string> SchemaStatements(const std::string& table);

struct Opened {
    std::unique_ptr<Session> session;
    std::optional<DatabaseFailure> failure;
    std::string explanation;  // with failure
    bool created = false;     // the tables were missing and were made
};
Opened OpenSession(const DatabaseSettings& settings, bool mayCreate);

}  // namespace Companion
