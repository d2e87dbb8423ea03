#pragma once
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

namespace vek {

// Every failure that leaves the library: a number (an ErrorCodes or classic
// platform value), a description, and optionally the source and help topic.
class NumberedError : public std::runtime_error {
public:
    NumberedError(int32_t number, const std::string& description, std::string source = {}, std::string helpFile = {},
                  int32_t helpContext = 0);

    int32_t number() const noexcept { return number_; }
    const std::string& description() const noexcept { return description_; }
    const std::string& source() const noexcept { return source_; }
    const std::string& helpFile() const noexcept { return helpFile_; }
    int32_t helpContext() const noexcept { return helpContext_; }

    // One of the classic platform errors (5, 6, 9, 11, 13, 91, 457) with its
    // well-known text.
    static NumberedError platform(int32_t number);

    // A new error that wraps `inner`: `description` followed by the inner
    // description in square brackets, carrying the inner help topic along.
    static NumberedError wrap(int32_t number, const std::string& description, const NumberedError& inner,
                              std::string source = {});

private:
    int32_t number_;
    std::string description_;
    std::string source_;
    std::string helpFile_;
    int32_t helpContext_;
};

// The well-known text of a classic platform error number; empty when unknown.
std::string platformErrorText(int32_t number);

// Raises error 11 (INVALID_ARGUMENTS) with `description`.
[[noreturn]] void raiseInvalidArgument(const std::string& description, std::string source = {});

// Raises 91, the error of a missing object, for a null object where one is
// needed; returns the object otherwise.
[[noreturn]] void raiseObjectNotSet();
// Error 91 for an object used after vek shut down, saying how to start again.
[[noreturn]] void raiseShutDown(std::string source = {});
template <typename T>
const std::shared_ptr<T>& requireObject(const std::shared_ptr<T>& object) {
    if (!object) raiseObjectNotSet();
    return object;
}

}  // namespace vek
