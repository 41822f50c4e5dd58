#include "core/gate/UseFailure.h"

#include <fmt/format.h>

#include "core/text/CommandText.h"
#include "engine/WideText.h"

namespace {

constexpr std::size_t kShownCharacters = 1000;

}  // namespace

std::string Corvane::UseFailure::Describe(const std::string& what, std::uint64_t steamId,
                                          const std::string& asked) const {
    return fmt::format("{}{} (Steam id {}, {})", Engine::EscapeForLog(member_.empty() ? "" : member_ + ": "),
                       Engine::EscapeForLog(what), steamId, asked);
}

std::string Corvane::QuotedExcerpt(WideStringView text) {
    const WideStringView kept = text.substr(0, CutPoint(text, kShownCharacters));
    // Formatted, not added up: GCC 12 at -O3 takes the sum's copies for an overflow.
    return fmt::format("\"{}\"{}", Engine::ToPrintableUtf8(kept), kept.size() < text.size() ? "..." : "");
}
