#include "devhost/replay/CarriedUses.h"

#include <algorithm>

#include <nlohmann/json.hpp>

#include "core/audit/RecordedUses.h"

namespace DevHost {

std::optional<CarriedUse> ReadCarried(std::string_view line) {
    const nlohmann::json read = nlohmann::json::parse(line, nullptr, false);
    const auto carries = read.is_object() ? read.find("carries") : read.end();
    const auto names = read.is_object() ? read.find("names") : read.end();
    if (carries == read.end() || !carries->is_string() || names == read.end() || !names->is_array() ||
        names->empty() || !names->back().is_string()) {
        return std::nullopt;
    }
    const auto hash = Corvane::ParseHash(carries->get_ref<const std::string&>());
    if (!hash) {
        return std::nullopt;
    }
    return CarriedUse{*hash, names->back().get<std::string>()};
}

bool CarriedUses::IsNewUse(std::uint64_t carries, std::size_t file) {
    Copies& copies = copies_[carries];
    if (copies.file != file) {
        copies.file = file;
        copies.inFile = 0;
    }
    ++copies.inFile;
    const auto originals = originals_.find(carries);
    const std::size_t counted = std::max(copies.most, originals == originals_.end() ? 0 : originals->second);
    copies.most = std::max(copies.most, copies.inFile);
    return copies.inFile > counted;
}

}  // namespace DevHost
