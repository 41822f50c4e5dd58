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

bool CountOnce::Carried(std::uint64_t hash, std::size_t file) {
    Count& count = counts_[hash];
    const auto number = static_cast<std::uint32_t>(file);
    if (count.file != number) {
        count.file = number;
        count.inFile = 0;
    }
    ++count.inFile;
    const std::uint32_t counted = std::max(count.most, count.originals);
    count.most = std::max(count.most, count.inFile);
    return count.inFile > counted;
}

std::size_t CountOnce::Times(std::uint64_t hash) const {
    const auto found = counts_.find(hash);
    return found == counts_.end() ? 0 : std::max(found->second.originals, found->second.most);
}

std::size_t CountOnce::Originals(std::uint64_t hash) const {
    const auto found = counts_.find(hash);
    return found == counts_.end() ? 0 : found->second.originals;
}

void RecordedUses::Note(std::uint64_t hash, const RecordedUse& use, LineAge age) {
    Said& said = said_[hash];
    if (std::find(said.said.begin(), said.said.end(), use) == said.said.end()) {
        said.said.push_back(use);
    }
    said.age = std::max(said.age, age);
}

void RecordedUses::AddLine(std::uint64_t hash, const RecordedUse& use, LineAge age) {
    count_.Original(hash);
    Note(hash, use, age);
}

void RecordedUses::AddCarried(std::uint64_t hash, const RecordedUse& use, LineAge age) {
    count_.Carried(hash, age.first);
    Note(hash, use, age);
}

std::vector<RecordedUses::Counted> RecordedUses::Each() const {
    std::vector<Counted> uses;
    for (const auto& [hash, said] : said_) {
        uses.push_back({hash, said.said, count_.Times(hash), said.age});
    }
    std::sort(uses.begin(), uses.end(), [](const Counted& a, const Counted& b) { return a.age > b.age; });
    return uses;
}

namespace {

// A forgive line of ours names a command as the console reads it, far shorter.
constexpr std::size_t kMostForgivenName = 1000;

// Only a line no server of ours wrote holds a name so long it would take the
// carried line past the bound.
void AddServer(std::string& line, const std::optional<std::string>& server) {
    if (server) {
        const std::size_t room = kAuditLineLimit - std::min(kAuditLineLimit, line.size() + 16);
        line += R"(,"server":")" + EscapeWithin(Engine::FromUtf8(*server), room).json + '"';
    }
    line += '}';
}

}  // namespace

std::string CarriedLine(std::uint64_t hash, const RecordedUse& use) {
    std::string line =
        fmt::format(R"({{"time":"{}","steamId":"{}","action":"carried","outcome":"granted",)"
                    R"("names":{},"carries":"{}")",
                    UtcText(use.time), use.steamId, NamesArray(use.names).array, HashText(hash));
    AddServer(line, use.server);
    return line;
}

std::string CarriedLine(const RecordedForgive& forgive) {
    std::string line = fmt::format(R"({{"time":"{}","steamId":"{}","action":"carried","outcome":"forgiven",)"
                                   R"("forgiven":"{}",)",
                                   UtcText(forgive.time), forgive.steamId, forgive.forgiven);
    if (forgive.name) {
        line += R"("forgivenName":")" +
                EscapeWithin(Engine::FromUtf8(*forgive.name), kMostForgivenName).json + "\",";
    }
    line += R"("carries":")" + HashText(forgive.hash) + '"';
    AddServer(line, forgive.server);
    return line;
}

}  // namespace Corvane
