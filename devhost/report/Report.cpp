#include "devhost/report/Report.h"

#include <fmt/format.h>

#include <fstream>
#include <memory>
#include <stdexcept>

#include "core/settings/AuditPath.h"
#include "devhost/report/ClusterTable.h"
#include "devhost/report/PageAssets.h"

namespace DevHost::Report {
namespace {

// Written beside the page, then renamed over it: a reader never meets half a page.
void WritePage(const std::filesystem::path& output, const std::string& data) {
    std::filesystem::path partial = output;
    partial += ".partial";
    {
        std::ofstream page(partial, std::ios::binary | std::ios::trunc);
        page << PageHead() << data << PageTail();
        page.close();
        if (!page) {
            std::error_code ignored;
            std::filesystem::remove(partial, ignored);
            throw std::runtime_error("can't write " + Corvane::PathText(output));
        }
    }
    std::error_code error;
    std::filesystem::rename(partial, output, error);
    if (error) {
        throw std::runtime_error("can't write " + Corvane::PathText(output) + ": " + error.message());
    }
}

std::unique_ptr<LineSource> SourceOf(const ReportRequest& request) {
    if (request.cluster) {
        return std::make_unique<ClusterTable>(*request.cluster, request.range);
    }
    return std::make_unique<AuditFiles>(request.files);
}

}  // namespace

int WriteReport(const ReportRequest& request, std::ostream& out, std::ostream& errors) {
    try {
        const std::unique_ptr<LineSource> source = SourceOf(request);
        ReportBuilder builder(request.range);
        source->ReadInto(builder);
        const auto now = std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
        const auto [data, figures] = std::move(builder).Finish(now);
        WritePage(request.output, data);
        out << fmt::format(
            "{}: {} lines read ({} invalid, {} outside the time range), {} {}; {} lines in the page, {} left "
            "out "
            "of it and counted in its totals\n",
            Corvane::PathText(request.output), figures.lines, figures.invalid, figures.outside,
            figures.servers, figures.servers == 1 ? "server" : "servers", figures.shown, figures.leftOut);
        return 0;
    } catch (const std::runtime_error& error) {
        errors << "corvane-devhost: " << error.what() << std::endl;
        return 2;
    }
}

}  // namespace DevHost::Report
