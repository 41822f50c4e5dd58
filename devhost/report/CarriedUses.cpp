#include "devhost/report/CarriedUses.h"

#include <algorithm>

namespace DevHost::Report {

void CarriedUses::Carried(std::uint64_t hash, std::size_t file, const CarriedUse& use) {
    Named& named = carried_.try_emplace(hash, Named{{}, use}).first->second;
    auto place = std::find_if(named.perFile.begin(), named.perFile.end(),
                              [file](const auto& entry) { return entry.first == file; });
    if (place == named.perFile.end()) {
        named.perFile.emplace_back(file, 1);
    } else {
        ++place->second;
    }
}

std::vector<std::pair<CarriedUse, std::uint64_t>> CarriedUses::Missing() {
    std::sort(originals_.begin(), originals_.end());
    std::vector<std::pair<CarriedUse, std::uint64_t>> missing;
    for (const auto& [hash, named] : carried_) {
        std::uint64_t most = 0;
        for (const auto& [file, count] : named.perFile) {
            most = std::max(most, count);
        }
        const auto [first, last] = std::equal_range(originals_.begin(), originals_.end(), hash);
        const auto originals = static_cast<std::uint64_t>(last - first);
        if (most > originals) {
            missing.emplace_back(named.use, most - originals);
        }
    }
    return missing;
}

bool CarriedUses::HasOriginal(std::uint64_t hash) const {
    return std::binary_search(originals_.begin(), originals_.end(), hash);
}

}  // namespace DevHost::Report
