// Where a use of a chat command failed, for the one log line that says so:
// the member of config.json whose lookup or formatting raised the error,
// when one did, beside the library's own text, the player and what they
// asked for.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "host/WideChar.h"

namespace Corvane {

class UseFailure {
public:
    // Runs action; an error leaving it is put on member, unless an earlier
    // step already took the blame.
    template <class Action>
    decltype(auto) At(const std::string& member, Action&& action) {
        try {
            return std::forward<Action>(action)();
        } catch (...) {
            Blame(member);
            throw;
        }
    }
    void Blame(const std::string& member) {
        if (member_.empty()) {
            member_ = member;
        }
    }

    // "<member>: <what> (Steam id <id>, <asked>)", the member left out when
    // none was blamed; member and what escaped for the log, asked already
    // printable (escaped where the player's text is quoted).
    std::string Describe(const std::string& what, std::uint64_t steamId, const std::string& asked) const;

private:
    std::string member_;
};

// A player's text as the error line shows it, whatever its length: quoted,
// as far as an audit line keeps a command that did not run (its first 1,000
// characters), escaped for the log, with "..." after it when it was cut.
std::string QuotedExcerpt(WideStringView text);

}  // namespace Corvane
