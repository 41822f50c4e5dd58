#include "devhost/replay/RecordFiles.h"

#include <set>
#include <stdexcept>

#include "core/audit/BackwardLines.h"
#include "core/settings/AuditPath.h"

namespace DevHost {

std::vector<RecordFile> RecordFiles(const std::vector<std::filesystem::path>& named) {
    std::vector<RecordFile> files;
    for (std::size_t i = 0; i < named.size(); ++i) {
        std::error_code ignored;
        if (!std::filesystem::is_regular_file(named[i], ignored)) {
            throw std::runtime_error("no audit file " + Corvane::PathText(named[i]));
        }
        std::vector<std::filesystem::path> rotated = Corvane::AuditFilesNewestFirst(named[i]);
        for (const std::filesystem::path& each : rotated) {
            if (!std::filesystem::is_regular_file(each, ignored)) {
                throw std::runtime_error(Corvane::PathText(each) + " is not a regular file");
            }
        }
        for (auto file = rotated.rbegin(); file != rotated.rend(); ++file) {
            files.push_back({*file, i});
        }
    }
    std::vector<RecordFile> once;
    std::set<std::filesystem::path> seen;
    for (auto file = files.rbegin(); file != files.rend(); ++file) {
        if (seen.insert(std::filesystem::weakly_canonical(file->path)).second) {
            once.insert(once.begin(), *file);
        }
    }
    return once;
}

}  // namespace DevHost
