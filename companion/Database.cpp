#include "companion/Database.h"

#include <errmsg.h>
#include <mysql.h>
#include <mysqld_error.h>

#include <algorithm>
#include <cstring>

namespace Companion {
namespace {

struct Parameter {
    std::uint64_t number = 0;
    MYSQL_TIME time{};
    unsigned long length = 0;
};

MYSQL_TIME ToMysqlTime(std::chrono::sys_seconds time) {
    const auto days = std::chrono::floor<std::chrono::days>(time);
    const std::chrono::year_month_day date(days);
    const std::chrono::hh_mm_ss clock(time - days);
    MYSQL_TIME value{};
    value.year = static_cast<unsigned>(static_cast<int>(date.year()));
    value.month = static_cast<unsigned>(date.month());
    value.day = static_cast<unsigned>(date.day());
    value.hour = static_cast<unsigned>(clock.hours().count());
    value.minute = static_cast<unsigned>(clock.minutes().count());
    value.second = static_cast<unsigned>(clock.seconds().count());
    value.time_type = MYSQL_TIMESTAMP_DATETIME;
    return value;
}

void BindParameters(const std::vector<Value>& values, std::vector<Parameter>& storage,
                    std::vector<MYSQL_BIND>& binds) {
    storage.assign(values.size(), {});
    binds.assign(values.size(), MYSQL_BIND{});
    for (std::size_t i = 0; i < values.size(); ++i) {
        MYSQL_BIND& bind = binds[i];
        Parameter& parameter = storage[i];
        if (const auto* number = std::get_if<std::uint64_t>(&values[i])) {
            parameter.number = *number;
            bind.buffer_type = MYSQL_TYPE_LONGLONG;
            bind.buffer = &parameter.number;
            bind.is_unsigned = 1;
        } else if (const auto* text = std::get_if<std::string_view>(&values[i])) {
            parameter.length = static_cast<unsigned long>(text->size());
            bind.buffer_type = MYSQL_TYPE_STRING;
            bind.buffer =
                const_cast<char*>(text->data());  // NOLINT(cppcoreguidelines-pro-type-const-cast): only read
            bind.buffer_length = parameter.length;
            bind.length = &parameter.length;
        } else if (const auto* time = std::get_if<std::chrono::sys_seconds>(&values[i])) {
            parameter.time = ToMysqlTime(*time);
            bind.buffer_type = MYSQL_TYPE_DATETIME;
            bind.buffer = &parameter.time;
        } else {
            bind.buffer_type = MYSQL_TYPE_NULL;
        }
    }
}

}  // namespace

FailureKind KindOfError(unsigned code) {
    switch (code) {
        case CR_CONNECTION_ERROR:
        case CR_CONN_HOST_ERROR:
        case CR_UNKNOWN_HOST: return FailureKind::Host;
        case CR_SSL_CONNECTION_ERROR: return FailureKind::Tls;
        case ER_ACCESS_DENIED_ERROR:
        case ER_ACCESS_DENIED_NO_PASSWORD_ERROR: return FailureKind::Credentials;
        case ER_BAD_DB_ERROR: return FailureKind::Database;
        case ER_NO_SUCH_TABLE: return FailureKind::Table;
        case ER_DBACCESS_DENIED_ERROR:
        case ER_TABLEACCESS_DENIED_ERROR:
        case ER_COLUMNACCESS_DENIED_ERROR:
        case ER_SPECIFIC_ACCESS_DENIED_ERROR: return FailureKind::Privileges;
        case CR_SERVER_GONE_ERROR:
        case CR_SERVER_LOST:
        case CR_SERVER_LOST_EXTENDED: return FailureKind::Lost;
        default: return FailureKind::Other;
    }
}

ConnectorLibrary::ConnectorLibrary() {
    mysql_library_init(0, nullptr, nullptr);
}

ConnectorLibrary::~ConnectorLibrary() {
    mysql_library_end();
}

Connection::Connection() = default;

Connection::~Connection() {
    Close();
}

void Connection::Close() {
    if (mysql_ != nullptr) {
        mysql_close(mysql_);
        mysql_ = nullptr;
    }
}

DatabaseFailure Connection::Failure() const {
    if (mysql_ == nullptr) {
        return {FailureKind::Lost, 0, "not connected"};
    }
    const unsigned code = mysql_errno(mysql_);
    return {KindOfError(code), code, mysql_error(mysql_)};
}

std::optional<DatabaseFailure> Connection::Open(const DatabaseSettings& settings,
                                                std::chrono::seconds timeout) {
    Close();
    mysql_ = mysql_init(nullptr);
    if (mysql_ == nullptr) {
        return DatabaseFailure{FailureKind::Other, 0, "out of memory"};
    }
    const auto seconds = static_cast<unsigned>(timeout.count());
    mysql_optionsv(mysql_, MYSQL_OPT_CONNECT_TIMEOUT, &seconds);
    mysql_optionsv(mysql_, MYSQL_OPT_READ_TIMEOUT, &seconds);
    mysql_optionsv(mysql_, MYSQL_OPT_WRITE_TIMEOUT, &seconds);
    mysql_optionsv(mysql_, MYSQL_SET_CHARSET_NAME, "utf8mb4");
    if (settings.tlsCa) {
        const std::string ca = settings.tlsCa->string();
        const my_bool verify = 1;
        mysql_optionsv(mysql_, MYSQL_OPT_SSL_CA, ca.c_str());
        mysql_optionsv(mysql_, MYSQL_OPT_SSL_VERIFY_SERVER_CERT, &verify);
        mysql_optionsv(mysql_, MYSQL_OPT_SSL_ENFORCE, &verify);
    }
    if (mysql_real_connect(mysql_, settings.host.c_str(), settings.user.c_str(), settings.password.c_str(),
                           settings.name.c_str(), settings.port, nullptr, 0) == nullptr) {
        DatabaseFailure failure = Failure();
        Close();
        return failure;
    }
    return std::nullopt;
}

std::optional<DatabaseFailure> Connection::Run(const std::string& sql) {
    if (mysql_real_query(mysql_, sql.data(), static_cast<unsigned long>(sql.size())) != 0) {
        return Failure();
    }
    if (MYSQL_RES* result = mysql_store_result(mysql_)) {
        mysql_free_result(result);
    }
    return std::nullopt;
}

std::unique_ptr<Statement> Connection::Prepare(const std::string& sql,
                                               std::optional<DatabaseFailure>& failure) {
    MYSQL_STMT* statement = mysql_stmt_init(mysql_);
    if (statement == nullptr) {
        failure = Failure();
        return nullptr;
    }
    if (mysql_stmt_prepare(statement, sql.data(), static_cast<unsigned long>(sql.size())) != 0) {
        const unsigned code = mysql_stmt_errno(statement);
        failure = DatabaseFailure{KindOfError(code), code, mysql_stmt_error(statement)};
        mysql_stmt_close(statement);
        return nullptr;
    }
    failure.reset();
    return std::make_unique<Statement>(statement);
}

std::string Connection::Cipher() const {
    const char* cipher = mysql_ != nullptr ? mysql_get_ssl_cipher(mysql_) : nullptr;
    return cipher != nullptr ? cipher : "";
}

Statement::~Statement() {
    mysql_stmt_close(statement_);
}

std::optional<DatabaseFailure> Statement::Failure() const {
    const unsigned code = mysql_stmt_errno(statement_);
    return DatabaseFailure{KindOfError(code), code, mysql_stmt_error(statement_)};
}

std::optional<DatabaseFailure> Statement::Execute(const std::vector<Value>& parameters) {
    std::vector<Parameter> storage;
    std::vector<MYSQL_BIND> binds;
    BindParameters(parameters, storage, binds);
    if ((!binds.empty() && mysql_stmt_bind_param(statement_, binds.data()) != 0) ||
        mysql_stmt_execute(statement_) != 0) {
        return Failure();
    }
    return std::nullopt;
}

// Every column of a result as text, in buffers no column of the table outgrows.
class Statement::ResultColumns {
public:
    explicit ResultColumns(unsigned columns)
        : buffers_(columns, std::string(kColumnBytes, '\0')),
          lengths_(columns),
          nulls_(columns),
          binds_(columns, MYSQL_BIND{}) {
        for (unsigned i = 0; i < columns; ++i) {
            binds_[i].buffer_type = MYSQL_TYPE_STRING;
            binds_[i].buffer = buffers_[i].data();
            binds_[i].buffer_length = kColumnBytes;
            binds_[i].length = &lengths_[i];
            binds_[i].is_null = &nulls_[i];
        }
    }
    MYSQL_BIND* Binds() { return binds_.data(); }
    // The row fetched last, into row (its strings reused).
    void Read(Row& row) const {
        row.resize(buffers_.size());
        for (std::size_t i = 0; i < buffers_.size(); ++i) {
            if (nulls_[i] != 0) {
                row[i].reset();
            } else {
                row[i].emplace().assign(buffers_[i].data(), std::min(lengths_[i], kColumnBytes));
            }
        }
    }

private:
    static constexpr unsigned long kColumnBytes = 65536;
    std::vector<std::string> buffers_;
    std::vector<unsigned long> lengths_;
    std::vector<my_bool> nulls_;
    std::vector<MYSQL_BIND> binds_;
};

std::optional<DatabaseFailure> Statement::Fetch(const std::vector<Value>& parameters, bool stored,
                                                const std::function<void(const Row&)>& each) {
    if (auto failure = Execute(parameters)) {
        return failure;
    }
    ResultColumns columns(mysql_stmt_field_count(statement_));
    if (mysql_stmt_bind_result(statement_, columns.Binds()) != 0 ||
        (stored && mysql_stmt_store_result(statement_) != 0)) {
        std::optional<DatabaseFailure> failure = Failure();
        mysql_stmt_free_result(statement_);
        return failure;
    }
    Row row;
    int fetched = 0;
    while ((fetched = mysql_stmt_fetch(statement_)) == 0 || fetched == MYSQL_DATA_TRUNCATED) {
        columns.Read(row);
        each(row);
    }
    std::optional<DatabaseFailure> failure = fetched == 1 ? Failure() : std::nullopt;
    mysql_stmt_free_result(statement_);
    return failure;
}

std::optional<DatabaseFailure> Statement::Query(const std::vector<Value>& parameters,
                                                std::vector<Row>& rows) {
    rows.clear();
    return Fetch(parameters, true, [&rows](const Row& row) { rows.push_back(row); });
}

std::optional<DatabaseFailure> Statement::Stream(const std::vector<Value>& parameters,
                                                 const std::function<void(const Row&)>& each) {
    return Fetch(parameters, false, each);
}

std::uint64_t Statement::AffectedRows() const {
    return mysql_stmt_affected_rows(statement_);
}

}  // namespace Companion
