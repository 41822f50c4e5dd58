#include "core/UseFailure.h"

#include <fmt/format.h>

#include "engine/WideText.h"

std::string Corvane::UseFailure::Describe(const std::string& what, std::uint64_t steamId,
                                          const std::string& asked) const {
    return fmt::format("{}{} (Steam id {}, {})", Engine::EscapeForLog(member_.empty() ? "" : member_ + ": "),
                       Engine::EscapeForLog(what), steamId, asked);
}
