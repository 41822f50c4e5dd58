// A connection to MariaDB through Connector/C, with timeouts on every wait
// and prepared statements for everything that carries data. Failures are
// told apart by what an operator would have to fix.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "companion/ClusterConfig.h"

struct st_mysql;
struct st_mysql_stmt;

namespace Companion {

enum class FailureKind {
    Host,         // can't reach the server
    Tls,          // the encrypted connection or the certificate's check failed
    Credentials,  // user or password
    Database,     // no such database
    Table,        // no such table
    Privileges,   // a statement the user may not run
    Lost,         // the connection dropped or timed out
    Other,
};

struct DatabaseFailure {
    FailureKind kind = FailureKind::Other;
    unsigned code = 0;
    std::string message;  // the server's or the connector's words
};
FailureKind KindOfError(unsigned code);

using Value = std::variant<std::monostate, std::uint64_t, std::string_view, std::chrono::sys_seconds>;
// A result row: each column as text, none for NULL.
using Row = std::vector<std::optional<std::string>>;

class Statement;

// Connector/C's own state, set up before the first connection and let go at
// the end, so that a leak check at exit finds nothing of it.
class ConnectorLibrary {
public:
    ConnectorLibrary();
    ~ConnectorLibrary();
    ConnectorLibrary(const ConnectorLibrary&) = delete;
    ConnectorLibrary& operator=(const ConnectorLibrary&) = delete;
};

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // Every wait (connecting, reading, writing) is bounded by timeout.
    std::optional<DatabaseFailure> Open(const DatabaseSettings& settings, std::chrono::seconds timeout);
    void Close();
    bool IsOpen() const { return mysql_ != nullptr; }

    // A statement that carries no data: DDL, a session setting, COMMIT.
    std::optional<DatabaseFailure> Run(const std::string& sql);
    std::unique_ptr<Statement> Prepare(const std::string& sql, std::optional<DatabaseFailure>& failure);
    // The cipher of the encrypted connection; empty when it is not encrypted.
    std::string Cipher() const;
    DatabaseFailure Failure() const;

private:
    st_mysql* mysql_ = nullptr;
};

class Statement {
public:
    explicit Statement(st_mysql_stmt* statement) : statement_(statement) {}
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    std::optional<DatabaseFailure> Execute(const std::vector<Value>& parameters);
    // Executes and reads every row of the result.
    std::optional<DatabaseFailure> Query(const std::vector<Value>& parameters, std::vector<Row>& rows);
    // Executes and gives each row to each as it arrives: the result is never
    // held whole, so a result of any size takes the memory of one row. No
    // other statement may run on the connection until it returns.
    std::optional<DatabaseFailure> Stream(const std::vector<Value>& parameters,
                                          const std::function<void(const Row&)>& each);
    std::uint64_t AffectedRows() const;

private:
    class ResultColumns;
    // stored: the result is read whole before each is given its first row.
    std::optional<DatabaseFailure> Fetch(const std::vector<Value>& parameters, bool stored,
                                         const std::function<void(const Row&)>& each);
    std::optional<DatabaseFailure> Failure() const;
    st_mysql_stmt* statement_;
};

}  // namespace Companion
