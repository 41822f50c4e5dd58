// The granted uses a reading of the audit record meets, each counted once.
//
// A rotation carries every granted use still within the record's window into
// the new file, as a line of its own ("action":"carried") naming the line it
// stands for by the hash of that line's bytes; a carried line met at a later
// rotation is carried again with the same hash. So one use may stand in the
// record as its line and as carried lines in several files. Two uses can have
// lines alike to the byte (the same player, command and second): for each
// hash, the uses are as many as the most of either its lines, or its carried
// lines within any one file.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Corvane {

// The 64-bit FNV-1a hash of a line's bytes, without its line break.
std::uint64_t LineHash(std::string_view line);
// As "carries" writes it: 16 lowercase hex digits; none for anything else.
std::string HashText(std::uint64_t hash);
std::optional<std::uint64_t> ParseHash(std::string_view text);

struct RecordedUse {
    std::chrono::sys_seconds time;
    std::uint64_t steamId = 0;
    std::vector<std::string> names;  // outermost first, never empty
    std::optional<std::string> server;

    bool operator==(const RecordedUse&) const = default;
};

class RecordedUses {
public:
    void AddLine(std::uint64_t hash, const RecordedUse& use);
    // file: which file of the reading the carried line is in.
    void AddCarried(std::size_t file, std::uint64_t hash, const RecordedUse& use);

    struct Counted {
        std::uint64_t hash = 0;
        // What the lines of the hash say of the use: one, unless a line not
        // of this plugin's writing names the hash of another.
        std::vector<RecordedUse> said;
        std::size_t times = 0;
    };
    // Every use once, the oldest first.
    std::vector<Counted> Each() const;

private:
    struct Tally {
        std::vector<RecordedUse> said;
        std::size_t lines = 0;
        std::map<std::size_t, std::size_t> carriedByFile;
    };
    Tally& TallyOf(std::uint64_t hash, const RecordedUse& use);

    std::map<std::uint64_t, Tally> tallies_;
};

// {"time":"<the use's>","steamId":"…","action":"carried","outcome":"granted",
//  "names":[…],"carries":"<hash>"}, with "server" when the use has one.
std::string CarriedLine(std::uint64_t hash, const RecordedUse& use);

}  // namespace Corvane
