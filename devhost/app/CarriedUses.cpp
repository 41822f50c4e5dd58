#include "devhost/app/CarriedUses.h"

#include <algorithm>

#include <nlohmann/json.hpp>

namespace DevHost {

std::uint64_t LineHash(std::string_view line) {
    std::uint64_t hash = 0xcbf29ce484222325;
    for (const char c : line) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3;
    }
    return hash;
}

std::optional<CarriedUse> ReadCarried(std::string_view line) {
    const nlohmann::json read = nlohmann::json::parse(line, nullptr, false);
    const auto carries = read.is_object() ? read.find("carries") : read.end();
    const auto names = read.is_object() ? read.find("names") : read.end();
    if (carries == read.end() || !carries->is_string() || names == read.end() || !names->is_array() ||
        names->empty() || !names->back().is_string()) {
        return std::nullopt;
    }
    const std::string& hex = carries->get_ref<const std::string&>();
    if (hex.size() != 16 || hex.find_first_not_of("0123456789abcdef") != std::string::npos) {
        return std::nullopt;
    }
    return CarriedUse{std::stoull(hex, nullptr, 16), names->back().get<std::string>()};
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
