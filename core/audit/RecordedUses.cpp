#include "core/audit/RecordedUses.h"

#include <fmt/format.h>

#include <algorithm>
#include <charconv>

#include "core/audit/AuditEntry.h"
#include "core/audit/AuditRecord.h"
#include "core/audit/JsonText.h"
#include "engine/WideText.h"

namespace Corvane {

std::uint64_t LineHash(std::string_view line) {
    std::uint64_t hash = 0xcbf29ce484222325;
    for (const char c : line) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3;
    }
    return hash;
}

std::string HashText(std::uint64_t hash) {
    return fmt::format("{:016x}", hash);
}

std::optional<std::uint64_t> ParseHash(std::string_view text) {
    std::uint64_t hash = 0;
    const bool lowerHex = std::all_of(
        text.begin(), text.end(), [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), hash, 16);
    return text.size() == 16 && lowerHex && error == std::errc() ? std::optional(hash) : std::nullopt;
}

RecordedUses::Tally& RecordedUses::TallyOf(std::uint64_t hash, const RecordedUse& use) {
    Tally& tally = tallies_[hash];
    if (std::find(tally.said.begin(), tally.said.end(), use) == tally.said.end()) {
        tally.said.push_back(use);
    }
    return tally;
}

void RecordedUses::AddLine(std::uint64_t hash, const RecordedUse& use) {
    ++TallyOf(hash, use).lines;
}

void RecordedUses::AddCarried(std::size_t file, std::uint64_t hash, const RecordedUse& use) {
    ++TallyOf(hash, use).carriedByFile[file];
}

std::vector<RecordedUses::Counted> RecordedUses::Each() const {
    std::vector<Counted> uses;
    for (const auto& [hash, tally] : tallies_) {
        std::size_t times = tally.lines;
        for (const auto& [file, carried] : tally.carriedByFile) {
            times = std::max(times, carried);
        }
        uses.push_back({hash, tally.said, times});
    }
    std::stable_sort(uses.begin(), uses.end(),
                     [](const Counted& a, const Counted& b) { return a.said[0].time < b.said[0].time; });
    return uses;
}

std::string CarriedLine(std::uint64_t hash, const RecordedUse& use) {
    std::string line =
        fmt::format(R"({{"time":"{}","steamId":"{}","action":"carried","outcome":"granted",)"
                    R"("names":{},"carries":"{}")",
                    UtcText(use.time), use.steamId, NamesArray(use.names).array, HashText(hash));
    if (use.server) {
        // Only a line no server of ours wrote holds a name so long it would
        // take the carried line past the bound.
        const std::size_t room = kAuditLineLimit - std::min(kAuditLineLimit, line.size() + 16);
        line += R"(,"server":")" + EscapeWithin(Engine::FromUtf8(*use.server), room).json + '"';
    }
    line += '}';
    return line;
}

}  // namespace Corvane
