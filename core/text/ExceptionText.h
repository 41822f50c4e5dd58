// The text of the exception being handled, for a log or an audit line.
#pragma once

#include <exception>
#include <string>

namespace Corvane {

// what() of the exception being handled, or a fixed text for one that is not
// a standard exception. Call it only inside a catch.
inline std::string CurrentExceptionText() {
    try {
        throw;
    } catch (const std::exception& error) {
        return error.what();
    } catch (...) {
        return "failed with an exception that is not a standard one";
    }
}

}  // namespace Corvane
