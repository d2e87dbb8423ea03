#pragma once
#include <gtest/gtest.h>

#include <string>

#include "vek/foundation/NumberedError.h"

namespace vek::test {

// The numbered error `call` raised; number 0 and no description when it
// raised none.
template <typename F>
NumberedError raised(F&& call) {
    try {
        call();
    } catch (const NumberedError& e) {
        return e;
    }
    return NumberedError(0, "");
}

// Whether `call` raises numbered error `number`, with exactly `description`
// unless that is left empty:
//   EXPECT_TRUE(raisesNumbered(13, [&] { config.unit(); }));
template <typename F>
::testing::AssertionResult raisesNumbered(int32_t number, F&& call, const std::string& description = {}) {
    const NumberedError e = raised(call);
    if (e.number() == 0) return ::testing::AssertionFailure() << "raised nothing, expected error " << number;
    if (e.number() != number || (!description.empty() && e.description() != description))
        return ::testing::AssertionFailure()
               << "raised error " << e.number() << " \"" << e.description() << "\", expected error " << number
               << (description.empty() ? "" : " \"" + description + "\"");
    return ::testing::AssertionSuccess();
}

}  // namespace vek::test
