#pragma once
#include <cstdint>
#include <string>

#include "vek/foundation/NumberedError.h"

namespace vek {

// What went wrong inside the motor engine, carried as the help context of the
// engine's errors so that a caller can tell the conditions apart without
// reading texts. The channel turns TIMEOUT into an empty answer.
namespace EngineCondition {
enum Value : int32_t {
    PORT = 1,        // the port cannot be opened, set up, read, written or closed
    NOT_OPEN = 2,    // no port is open
    LINE_FAULT = 3,  // a wrong or missing echo, a broken answer, a line that went dead
    REFUSED = 4,     // a command text the engine will not put on the line
    TIMEOUT = 5,     // no answer came within the answer time-out
    BAUD = 6,        // a rate the motors do not run at
    NOT_BUILT = 7,   // an engine operation this build does not have yet
};
}  // namespace EngineCondition

// The help file that documents the conditions above.
inline constexpr const char* ENGINE_HELP_FILE = "vek/comm/engine/PROTOCOL.md";

// An engine error of `condition`: number 11 for a refused text, 4 for a rate
// the motors do not run at, 1 (the port or the line failed) for the others.
NumberedError engineError(int32_t condition, const std::string& description);

}  // namespace vek
