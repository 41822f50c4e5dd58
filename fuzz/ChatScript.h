// The fuzz_chat input: a configuration file, then a script of players
// joining, getting grants, leaving and saying chat lines.
//
//     { ...configuration file... }
//     %%
//     j Rex               a player joins as Rex (players are numbered 0 to 7 by joining)
//     g0 Cheat.fly        player 0 is granted Cheat.fly
//     s0 /cheat fly       player 0 says /cheat fly
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
    enum class Kind { Join, Grant, Leave, Say };
    Kind kind;
    std::size_t player = 0;
    std::string argument;  // UTF-8
};

struct ChatScript {
    std::string config;
    std::vector<ChatStep> steps;
};

inline constexpr std::size_t kMaxPlayers = 8;
inline constexpr std::size_t kMaxSteps = 64;

ChatScript ParseChatScript(const std::uint8_t* data, std::size_t size);

}  // namespace Fuzz
