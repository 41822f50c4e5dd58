// The granted uses and forgive lines a reading of the audit record meets,
// each counted once.
//
// A rotation carries every granted use still within the record's window into
// the new file, as a line of its own ("action":"carried") naming the line it
// stands for by the hash of that line's bytes; a carried line met at a later
// rotation is carried again with the same hash. So one use may stand in the
// record as its line and as carried lines in several files. Two uses can have
// lines alike to the byte (the same player, command and second): for each
// hash, the uses are as many as the most of either its lines, or its carried
// lines within any one file. A rotation carries forgive lines too, in their
// place among the uses.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace Corvane {

// The 64-bit FNV-1a hash of a line's bytes, without its line break.
std::uint64_t LineHash(std::string_view line);
// As "carries" writes it: 16 lowercase hex digits; none for anything else.
std::string HashText(std::uint64_t hash);
std::optional<std::uint64_t> ParseHash(std::string_view text);

// Counts each use once, however many lines stand for it: the one counter of
// every reader of the record (the restore, a rotation, replay, the report).
// Lines a rotation may carry are counted by their hash: the originals, and
// the carried lines by the file they are in.
class CountOnce {
public:
    void Original(std::uint64_t hash) { ++counts_[hash].originals; }
    // A carried line in the file-th file of the reading. Reading forwards,
    // an original comes before the lines carrying it: true when the line
    // stands for a use that neither the originals nor another file's
    // carried lines account for.
    bool Carried(std::uint64_t hash, std::size_t file);
    // Once read: the uses the hash stands for.
    std::size_t Times(std::uint64_t hash) const;
    std::size_t Originals(std::uint64_t hash) const;

private:
    struct Count {
        std::uint32_t originals = 0;
        std::uint32_t file = 0;    // the file of the last carried line
        std::uint32_t inFile = 0;  // carried lines in that file
        std::uint32_t most = 0;    // the most in any one file
    };
    std::unordered_map<std::uint64_t, Count> counts_;
};

// Where a line stands in a reading backwards: its file (0 the newest) and its
// place from that file's end. The larger, the older in the record.
using LineAge = std::pair<std::size_t, std::size_t>;

struct RecordedUse {
    std::chrono::sys_seconds time;
    std::uint64_t steamId = 0;
    std::vector<std::string> names;  // outermost first, never empty
    std::optional<std::string> server;

    bool operator==(const RecordedUse&) const = default;
};

// A forgive line ("action":"forgive", or carried), once.
struct RecordedForgive {
    std::chrono::sys_seconds time;
    std::uint64_t steamId = 0;  // who forgave
    std::uint64_t forgiven = 0;
    std::optional<std::string> name;  // none: every command
    std::optional<std::string> server;
    std::uint64_t hash = 0;  // of the forgive line itself
    // Of its original, or else of its oldest carried line: where it stands.
    LineAge age;

    // Whether it forgives the use, standing older at `age`.
    bool Forgives(const RecordedUse& use, const LineAge& useAge) const {
        return use.steamId == forgiven && (!name || *name == use.names.back()) && useAge > age;
    }
};

class RecordedUses {
public:
    void AddLine(std::uint64_t hash, const RecordedUse& use, LineAge age);
    // age.first: which file of the reading the carried line is in.
    void AddCarried(std::uint64_t hash, const RecordedUse& use, LineAge age);

    struct Counted {
        std::uint64_t hash = 0;
        // What the lines of the hash say of the use: one, unless a line not
        // of this plugin's writing names the hash of another.
        std::vector<RecordedUse> said;
        std::size_t times = 0;
        // Of its original, or else of its oldest carried line: where it stands.
        LineAge age;
    };
    // Every use once, the oldest in the record first.
    std::vector<Counted> Each() const;

private:
    struct Said {
        std::vector<RecordedUse> said;
        LineAge age;
    };
    void Note(std::uint64_t hash, const RecordedUse& use, LineAge age);

    CountOnce count_;
    std::map<std::uint64_t, Said> said_;
};

// {"time":"<the use's>","steamId":"…","action":"carried","outcome":"granted",
//  "names":[…],"carries":"<hash>"}, with "server" when the use has one.
std::string CarriedLine(std::uint64_t hash, const RecordedUse& use);
// {"time":"<the forgive line's>","steamId":"<who forgave>","action":"carried",
//  "outcome":"forgiven","forgiven":"…","forgivenName":"…","carries":"<hash>"},
// forgivenName when it has one, and "server" when it has one.
std::string CarriedLine(const RecordedForgive& forgive);

}  // namespace Corvane
