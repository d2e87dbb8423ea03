#include "vek/foundation/NumberedError.h"

#include "vek/foundation/ErrorCodes.h"

namespace vek {

NumberedError::NumberedError(int32_t number, const std::string& description, std::string source, std::string helpFile,
                             int32_t helpContext)
    : std::runtime_error(description),
      number_(number),
      description_(description),
      source_(std::move(source)),
      helpFile_(std::move(helpFile)),
      helpContext_(helpContext) {}

std::string platformErrorText(int32_t number) {
    switch (number) {
        case PlatformErrors::INVALID_PROCEDURE_CALL: return "Invalid procedure call or argument";
        case PlatformErrors::OVERFLOW_ERROR: return "Overflow";
        case PlatformErrors::SUBSCRIPT_OUT_OF_RANGE: return "Subscript out of range";
        case PlatformErrors::DIVISION_BY_ZERO: return "Division by zero";
        case PlatformErrors::TYPE_MISMATCH: return "Type mismatch";
        case PlatformErrors::OBJECT_NOT_SET: return "Object variable or With block variable not set";
        case PlatformErrors::FILE_NOT_FOUND: return "File not found";
        case PlatformErrors::PATH_FILE_ACCESS_ERROR: return "Path/File access error";
        case PlatformErrors::DUPLICATE_KEY: return "This key is already associated with an element of this collection";
        default: return {};
    }
}

NumberedError NumberedError::platform(int32_t number) {
    return NumberedError(number, platformErrorText(number));
}

NumberedError NumberedError::wrap(int32_t number, const std::string& description, const NumberedError& inner,
                                  std::string source) {
    return NumberedError(number, description + "[" + inner.description() + "]", std::move(source), inner.helpFile(),
                         inner.helpContext());
}

void raiseObjectNotSet() {
    throw NumberedError::platform(PlatformErrors::OBJECT_NOT_SET);
}

void raiseShutDown(std::string source) {
    throw NumberedError(PlatformErrors::OBJECT_NOT_SET, "vek has been shut down; construct a Server to start it again.",
                        std::move(source));
}

void raiseInvalidArgument(const std::string& description, std::string source) {
    throw NumberedError(ErrorCodes::INVALID_ARGUMENTS, description, std::move(source));
}

}  // namespace vek
