// Array assignments as program files carry them ("al[3]=12000"). The first
// line of an input with more than one is the array name pattern, as callers
// pass it ("*", "al", "VEL"); what comes back is a name that fits the pattern,
// a numeric index and a numeric value, or nothing.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/NumberedError.h"
#include "vek/foundation/Text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const std::size_t newline = input.find('\n');
    const std::string pattern = newline == std::string::npos ? "*" : input.substr(0, newline);
    const std::string line = newline == std::string::npos ? input : input.substr(newline + 1);
    try {
        const auto tokens = vek::getTokensFromArrayAssignment(line, pattern);
        if (!tokens) return 0;
        if (tokens->count() != 3) vek::fuzz::fail("an array assignment is not name, index and value");
        if (!vek::isLike(tokens->item(1), pattern)) vek::fuzz::fail("the array name does not fit the pattern");
        if (!vek::isNumeric(tokens->item(2)) || !vek::isNumeric(tokens->item(3)))
            vek::fuzz::fail("an array index or value is not a number");
    } catch (const vek::NumberedError&) {
        // An index or value that is no number, or too large for its type.
    }
    return 0;
}
