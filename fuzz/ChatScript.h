// The fuzz_chat input: a configuration file, then a script of players
// joining, getting grants, leaving, saying chat lines and waiting.
//
//     { ...configuration file... }
//     %%
//     j Rex               a player joins as Rex (players are numbered 0 to 7 by joining)
//     g0 Cheat.fly        player 0 is granted Cheat.fly (Corvane.NoCooldown and
//                         Corvane.SeeAnnouncements are granted the same way)
//     s0 /cheat fly       player 0 says /cheat fly
//     w 30.5              30.5 seconds pass on the server's monotonic clock
//                         (0 to 100000 seconds, at most nine decimals)
//     l0                  player 0 leaves
//
// Everything before the first line "%%" is the configuration file, byte for
// byte. In script arguments "\n" and "\r" stand for a line feed and a carriage
// return; every other byte is taken as it is. Malformed steps are skipped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace Fuzz {

struct ChatStep {
    enum class Kind { Join, Grant, Leave, Say, Wait };
    Kind kind;
    std::size_t player = 0;
    std::string argument;          // UTF-8
    std::int64_t nanoseconds = 0;  // Wait
};

struct ChatScript {
    std::string config;
    std::vector<ChatStep> steps;
    // All the waits added up.
    std::int64_t WaitedNanoseconds() const;
};

inline constexpr std::size_t kMaxPlayers = 8;
inline constexpr std::size_t kMaxSteps = 64;
inline constexpr std::int64_t kLongestWaitSeconds = 100000;

ChatScript ParseChatScript(const std::uint8_t* data, std::size_t size);

}  // namespace Fuzz
