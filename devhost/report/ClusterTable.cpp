#include "devhost/report/ClusterTable.h"

#include <fmt/format.h>

#include <charconv>
#include <stdexcept>

#include "companion/Session.h"
#include "core/settings/AuditPath.h"
#include "devhost/report/TableParts.h"

namespace DevHost::Report {
namespace {

using Companion::Row;
using Companion::Value;

// Each wait on the server: a sort of the range's rows comes before the first.
constexpr std::chrono::seconds kTimeout{60};

// The rows within range, and those outside it, as conditions on the time.
struct Conditions {
    std::string within = "TRUE", outside = "FALSE";
    std::vector<Value> values;
};

Conditions ByTime(const TimeRange& range) {
    Conditions conditions;
    if (range.from) {
        conditions.within += " AND time >= ?";
        conditions.outside += " OR time < ?";
        conditions.values.emplace_back(*range.from);
    }
    if (range.to) {
        conditions.within += " AND time <= ?";
        conditions.outside += " OR time > ?";
        conditions.values.emplace_back(*range.to);
    }
    return conditions;
}

std::string_view Text(const std::optional<std::string>& column) {
    return column ? std::string_view(*column) : std::string_view();
}

std::uint64_t Number(const std::optional<std::string>& column) {
    std::uint64_t number = 0;
    const std::string_view text = Text(column);
    std::from_chars(text.data(), text.data() + text.size(), number);
    return number;
}

}  // namespace

ClusterTable::ClusterTable(const std::filesystem::path& config, TimeRange range) : range_(range) {
    Companion::DatabaseConfigResult read = Companion::ReadDatabaseConfig(config);
    if (!read.database) {
        throw std::runtime_error(fmt::format("{}: {}", Corvane::PathText(config), read.problem));
    }
    settings_ = std::move(*read.database);
    if (auto failure = connection_.Open(settings_, kTimeout)) {
        Fail(*failure);
    }
    std::optional<Companion::DatabaseFailure> failure;
    const std::optional<unsigned> version = Companion::SchemaVersion(connection_, settings_.table, failure);
    if (!version) {
        Fail(*failure);
    }
    if (*version != Companion::kSchemaVersion) {
        throw std::runtime_error(
            fmt::format("The table {} has schema version {}; this report reads version {}", settings_.table,
                        *version, Companion::kSchemaVersion));
    }
}

void ClusterTable::Fail(const Companion::DatabaseFailure& failure) const {
    throw std::runtime_error(Companion::Explain(failure, settings_));
}

void ClusterTable::ReadInto(ReportBuilder& builder) {
    const Conditions conditions = ByTime(range_);
    const std::string table = fmt::format("`{}`", settings_.table);
    std::optional<Companion::DatabaseFailure> failure;
    if (!conditions.values.empty()) {
        auto outside = connection_.Prepare(
            fmt::format("SELECT COUNT(*) FROM {} WHERE {}", table, conditions.outside), failure);
        std::vector<Row> rows;
        if (!outside || (failure = outside->Query(conditions.values, rows))) {
            Fail(*failure);
        }
        builder.CountOutside(Number(rows.at(0).at(0)));
    }
    auto rows = connection_.Prepare(fmt::format("SELECT server, instance, seq, action, line FROM {} WHERE {} "
                                                "ORDER BY server, instance, seq",
                                                table, conditions.within),
                                    failure);
    if (!rows) {
        Fail(*failure);
    }
    TableParts parts;
    std::size_t part = 0;
    failure = rows->Stream(conditions.values, [&](const Row& row) {
        const std::string_view server = Text(row.at(0));
        const std::string_view instance = Text(row.at(1));
        const std::uint64_t seq = Number(row.at(2));
        if (parts.Starts(server, instance, seq, Text(row.at(3)) == "carried")) {
            part = builder.AddFile(fmt::format("{}.{}: {}, instance {}, from seq {}", settings_.name,
                                               settings_.table, server, instance, seq),
                                   std::string(server));
        }
        builder.Add(part, Text(row.at(4)));
    });
    if (failure) {
        Fail(*failure);
    }
}

}  // namespace DevHost::Report
