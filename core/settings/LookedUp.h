// LookedUp: one value read from config.json at load, or the error its lookup
// raises at use.
//
// Some mistakes in config.json don't stop the load: they surface at the use
// that reads the member, as the JSON library's own error. The reader makes
// that lookup once, at load, and keeps its outcome; Get() gives the value or
// raises the very same exception, type and text, at the moment of use.
#pragma once

#include <exception>
#include <string>
#include <utility>

namespace Corvane {

template <class T>
class LookedUp {
public:
    LookedUp() = default;
    // member: where in config.json it comes from ("Messages/LogMsg"), for
    // errors at use to name.
    LookedUp(T value, std::string member) : value_(std::move(value)), member_(std::move(member)) {}
    static LookedUp Failure(std::exception_ptr error, std::string member) {
        return LookedUp(std::move(error), std::move(member));
    }

    const T& Get() const {
        if (error_) {
            std::rethrow_exception(error_);
        }
        return value_;
    }
    bool Fails() const { return static_cast<bool>(error_); }
    const std::string& Member() const { return member_; }

private:
    LookedUp(std::exception_ptr error, std::string member)
        : error_(std::move(error)), member_(std::move(member)) {}

    T value_{};
    std::exception_ptr error_;
    std::string member_;
};

}  // namespace Corvane
