#include "devhost/report/CarriedUses.h"

namespace DevHost::Report {

void CarriedUses::Carried(std::uint64_t hash, std::size_t file, const CarriedUse& use) {
    count_.Carried(hash, file);
    carried_.try_emplace(hash, use);
}

std::vector<std::pair<CarriedUse, std::uint64_t>> CarriedUses::Missing() {
    std::vector<std::pair<CarriedUse, std::uint64_t>> missing;
    for (const auto& [hash, use] : carried_) {
        const std::size_t times = count_.Times(hash);
        const std::size_t originals = count_.Originals(hash);
        if (times > originals) {
            missing.emplace_back(use, times - originals);
        }
    }
    return missing;
}

}  // namespace DevHost::Report
