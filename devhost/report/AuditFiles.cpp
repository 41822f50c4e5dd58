#include <map>

#include "core/audit/ForwardLines.h"
#include "core/settings/AuditPath.h"
#include "devhost/report/LineSource.h"

namespace DevHost::Report {

AuditFiles::AuditFiles(const std::vector<NamedFile>& named) {
    std::vector<std::filesystem::path> paths;
    // A name given for a file holds wherever else the same file is named.
    std::map<std::filesystem::path, std::string> given;
    for (const NamedFile& file : named) {
        paths.push_back(file.path);
        if (file.server) {
            given[std::filesystem::weakly_canonical(file.path)] = *file.server;
        }
    }
    files_ = RecordFiles(paths);
    for (const std::filesystem::path& path : paths) {
        const auto name = given.find(std::filesystem::weakly_canonical(path));
        servers_.push_back(name != given.end()
                               ? name->second
                               : Corvane::PathText(std::filesystem::absolute(path).parent_path().filename()));
    }
}

void AuditFiles::ReadInto(ReportBuilder& builder) {
    for (const RecordFile& file : files_) {
        const std::size_t id = builder.AddFile(Corvane::PathText(file.path), servers_[file.named]);
        Corvane::ForwardLines lines(file.path);
        while (const auto line = lines.Next()) {
            builder.Add(id, *line);
        }
    }
}

}  // namespace DevHost::Report
