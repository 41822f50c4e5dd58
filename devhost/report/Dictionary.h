// Words the report counts by (outcomes, command names, servers), each given a
// small number once, so that counts are kept by number and the page's data
// names each word once.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace DevHost::Report {

class Dictionary {
public:
    std::uint32_t Id(std::string_view word);
    const std::vector<std::string>& Words() const { return words_; }

private:
    std::unordered_map<std::string, std::uint32_t> ids_;
    std::vector<std::string> words_;
};

}  // namespace DevHost::Report
