// What the history already holds, by source, so that the cluster's feed adds
// each granted use once.
//
// A use is known by the FNV-1a hash of its audit line (RecordedUses.h; a
// carried line by the hash it carries). The feed holds other servers' lines,
// and after a lost audit folder this server's own, byte for byte as the
// audit file has them: so for each hash the history holds as many uses as
// the most of either source, the local record (the restore at load and each
// granted line the plugin writes since) or the feed as it is read now. A
// feed read again from its start (it was lost, and filled again) is counted
// anew, and adds only what neither count held before.
//
// The lines the plugin writes itself are not hashed one by one: a hash, a
// byte at a time, costs as much as the rest of what the feed adds to a use.
// Only those of the first second it writes under a server's name are. After
// that second, a feed line naming that server is one this plugin wrote since
// (a fill after a lost audit folder brings them), and the history holds it.
// So a history restored anew (a load, a reload that reaches further) starts
// with a MergedUses of its own.
//
// Forgive lines are kept too: a use that reaches the history after a forgive
// line of another server, and is no newer than it, is forgiven as it comes.
// Each server's lines reach the feed in that server's order, so a use of the
// forgive line's own server arriving later came after it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace Corvane {

struct KnownForgive {
    std::chrono::sys_seconds time;
    std::uint64_t forgiven = 0;
    std::optional<std::string> name;  // none: every command
    std::string server;
};

class MergedUses {
public:
    // A use of the local record: the restore's, or a granted line just written.
    void Local(std::uint64_t hash, std::chrono::sys_seconds time);
    // A use the feed holds, by its line (carried: by the line it carries):
    // true when the history does not hold it yet, which it then does.
    bool FromFeed(std::uint64_t hash, std::chrono::sys_seconds time, bool carried);
    // The feed is read from its start again: its lines are counted anew.
    void NewFeed();

    // A granted line the plugin writes now under server, at time: whether it
    // is to be noted by its hash (Local), being of the first second written
    // under that name.
    bool NoteByHash(const std::string& server, std::chrono::sys_seconds time);
    // Whether a line of server at time is one the plugin wrote after that
    // first second, and no later than its last line under that name (a
    // server renamed by a reload leaves its old name to another), which the
    // history holds.
    bool WroteSince(const std::string& server, std::chrono::sys_seconds time) const;

    void Forgave(KnownForgive forgive);
    // Whether a forgive line of another server than the use's, no older than
    // it, forgave the player's uses of name.
    bool Forgiven(std::uint64_t steamId, const std::string& name, std::chrono::sys_seconds time,
                  const std::string& server) const;

    // Forgets what is older than since; done seldom enough to cost nothing
    // per use (when what is held has doubled).
    void DropBefore(std::chrono::sys_seconds since);
    std::size_t Size() const { return counts_.size(); }

private:
    struct Count {
        std::chrono::sys_seconds time;
        std::uint32_t local = 0;
        std::uint32_t feed = 0;  // in the feed as read now
        std::uint32_t held = 0;  // in the history: the most of the above, ever
    };
    Count& At(std::uint64_t hash, std::chrono::sys_seconds time);

    // The first and last seconds the plugin wrote under a name.
    struct Writing {
        std::chrono::sys_seconds first;
        std::chrono::sys_seconds last;
    };

    std::unordered_map<std::uint64_t, Count> counts_;
    std::map<std::string, Writing, std::less<>> writing_;  // by server name
    std::vector<KnownForgive> forgives_;
    std::size_t dropAt_ = 1024;
};

}  // namespace Corvane
