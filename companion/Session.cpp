#include "companion/Session.h"

#include <mysqld_error.h>

#include <sstream>

#include <fmt/format.h>

#include "companion/SchemaText.h"
#include "core/settings/AuditPath.h"

namespace Companion {
namespace {

constexpr std::chrono::seconds kTimeout{5};
// What the feed takes: granted uses and forgive lines; the rest of the row
// is checked line by line.
constexpr const char* kFeedKinds = "outcome IN ('granted', 'forgiven')";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) {
        text.replace(at, from.size(), to);
    }
    return text;
}

struct Prepared {
    std::unique_ptr<Statement>* into;
    std::string sql;
    const char* what;  // what the user must be allowed, for the explanation
};

std::vector<Prepared> Statements(Session& session, const std::string& table) {
    const std::string t = "`" + table + "`";
    return {
        {&session.highestId, fmt::format("SELECT COALESCE(MAX(id), 0) FROM {}", t), "SELECT"},
        {&session.insert,
         fmt::format(
             "INSERT IGNORE INTO {} (server, instance, seq, time, steam_id, outcome, action, name, line) "
             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)",
             t),
         "INSERT"},
        {&session.pollIds,
         fmt::format("SELECT id FROM {} WHERE id > ? AND server <> ? AND {} ORDER BY id LIMIT 100000", t,
                     kFeedKinds),
         "SELECT"},
        {&session.pollRows,
         fmt::format(
             "SELECT id, server, line FROM {} WHERE id BETWEEN ? AND ? AND server <> ? AND time >= ? AND {} "
             "ORDER BY id",
             t, kFeedKinds),
         "SELECT"},
        // The window's rows are read in the order of the primary key from
        // the lowest id among them (found in the time index, which holds the
        // id): one index lookup a row instead would make a start cost the
        // table's size.
        {&session.firstInWindow, fmt::format("SELECT COALESCE(MIN(id), 0) FROM {} WHERE time >= ?", t),
         "SELECT"},
        {&session.fillOthers,
         fmt::format("SELECT id, server, line FROM {} FORCE INDEX (PRIMARY) WHERE id >= ? AND time >= ? AND "
                     "server <> ? AND {} ORDER BY id",
                     t, kFeedKinds),
         "SELECT"},
        {&session.fillAll,
         fmt::format(
             "SELECT id, server, line FROM {} FORCE INDEX (PRIMARY) WHERE id >= ? AND time >= ? AND {} "
             "AND NOT (server = ? AND instance = ?) ORDER BY id",
             t, kFeedKinds),
         "SELECT"},
        {&session.twins,
         fmt::format(
             "SELECT instance FROM {} WHERE id > ? AND id <= ? AND server = ? AND instance <> ? LIMIT 1", t),
         "SELECT"},
    };
}

std::optional<DatabaseFailure> CreateTables(Connection& connection, const std::string& table) {
    for (const std::string& statement : SchemaStatements(table)) {
        if (auto failure = connection.Run(statement)) {
            return failure;
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<unsigned> SchemaVersion(Connection& connection, const std::string& table,
                                      std::optional<DatabaseFailure>& failure) {
    auto statement =
        connection.Prepare(fmt::format("SELECT COALESCE(MAX(version), 0) FROM `{}_schema`", table), failure);
    std::vector<Row> rows;
    if (!statement || (failure = statement->Query({}, rows))) {
        return std::nullopt;
    }
    return rows.empty() || !rows[0][0] ? 0U : static_cast<unsigned>(std::stoul(*rows[0][0]));
}

std::vector<std::string> SchemaStatements(const std::string& table) {
    std::vector<std::string> statements;
    std::istringstream lines{std::string(kSchemaText)};
    std::string statement;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t first = line.find_first_not_of(' ');
        if (first == std::string::npos || line.compare(first, 2, "--") == 0) {
            continue;
        }
        statement += line + "\n";
        if (line.back() == ';') {
            statement.pop_back();
            statement.pop_back();
            statements.push_back(Replace(statement, "corvane_audit", table));
            statement.clear();
        }
    }
    return statements;
}

std::string Explain(const DatabaseFailure& failure, const DatabaseSettings& settings) {
    const std::string server = fmt::format("{}:{}", settings.host, settings.port);
    switch (failure.kind) {
        case FailureKind::Host:
            return fmt::format("Can't reach the database server at {} ({})", server, failure.message);
        case FailureKind::Tls:
            return fmt::format(
                "The encrypted connection to {} failed, its certificate checked against {} ({})", server,
                settings.tlsCa ? Corvane::PathText(*settings.tlsCa) : "", failure.message);
        case FailureKind::Credentials:
            return fmt::format("The database server at {} refused user {}: check User and the password ({})",
                               server, settings.user, failure.message);
        case FailureKind::Database:
            return fmt::format("There is no database {} at {} ({})", settings.name, server, failure.message);
        case FailureKind::Table:
            return fmt::format("The table {} is missing in the database {} ({})", settings.table,
                               settings.name, failure.message);
        case FailureKind::Privileges:
            if (failure.code == ER_DBACCESS_DENIED_ERROR) {
                return fmt::format(
                    "User {} may not use the database {}: it is missing, or not granted to the user ({})",
                    settings.user, settings.name, failure.message);
            }
            return fmt::format(
                "User {} lacks a privilege on {}.{}: {} (docs/cluster-schema.sql lists what to grant)",
                settings.user, settings.name, settings.table, failure.message);
        case FailureKind::Lost:
            return fmt::format("Lost the connection to the database server at {} ({})", server,
                               failure.message);
        case FailureKind::Other: break;
    }
    return fmt::format("The database server at {} answered: {} (error {})", server, failure.message,
                       failure.code);
}

Opened OpenSession(const DatabaseSettings& settings, bool mayCreate) {
    Opened opened;
    auto session = std::make_unique<Session>();
    Connection& connection = session->connection;
    const auto fail = [&](DatabaseFailure failure, std::string explanation = "") {
        opened.explanation = explanation.empty() ? Explain(failure, settings) : std::move(explanation);
        opened.failure = std::move(failure);
        return std::move(opened);
    };
    if (auto failure = connection.Open(settings, kTimeout)) {
        return fail(*failure);
    }
    // A write transaction left open (its writer stopped) would hold back the
    // ids other servers poll past: the server ends it instead.
    connection.Run("SET SESSION idle_write_transaction_timeout = 10");
    std::optional<DatabaseFailure> failure;
    std::optional<unsigned> version = SchemaVersion(connection, settings.table, failure);
    // Version 0 is a version table without its row: a companion stopped while
    // it created the tables left them so, and the creation is finished.
    const bool missing = (!version && failure && failure->kind == FailureKind::Table) || version == 0U;
    if (missing && mayCreate) {
        if (auto refused = CreateTables(connection, settings.table)) {
            return fail(
                *refused,
                fmt::format("The table {} is missing in the database {}, and user {} may not create it "
                            "({}): run docs/cluster-schema.sql as an administrator",
                            settings.table, settings.name, settings.user, refused->message));
        }
        opened.created = true;
        version = SchemaVersion(connection, settings.table, failure);
    }
    if (!version) {
        return fail(*failure);
    }
    if (*version != kSchemaVersion) {
        DatabaseFailure mismatch{FailureKind::Other, 0, ""};
        return fail(mismatch,
                    fmt::format("The table {} has schema version {}; this companion reads version {}",
                                settings.table, *version, kSchemaVersion));
    }
    for (const Prepared& prepared : Statements(*session, settings.table)) {
        *prepared.into = connection.Prepare(prepared.sql, failure);
        if (!*prepared.into && failure->kind == FailureKind::Table && mayCreate && !opened.created) {
            // The version table without the table itself.
            if (auto refused = CreateTables(connection, settings.table)) {
                return fail(*refused);
            }
            opened.created = true;
            *prepared.into = connection.Prepare(prepared.sql, failure);
        }
        if (!*prepared.into) {
            if (failure->kind == FailureKind::Privileges) {
                return fail(
                    *failure,
                    fmt::format("User {} may not {} on {}.{} ({}): docs/cluster-schema.sql lists what "
                                "to grant",
                                settings.user, prepared.what, settings.name, settings.table,
                                failure->message));
            }
            return fail(*failure);
        }
    }
    opened.session = std::move(session);
    return opened;
}

}  // namespace Companion
