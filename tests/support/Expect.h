#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

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

// Whether every one of `calls` raises numbered error `number` (with
// `description` unless that is left empty), naming the first that does not:
//   EXPECT_TRUE(eachRaisesNumbered(91, {[&] { a.run(); }, [&] { b.run(); }}));
inline ::testing::AssertionResult eachRaisesNumbered(int32_t number, const std::vector<std::function<void()>>& calls,
                                                     const std::string& description = {}) {
    for (std::size_t i = 0; i < calls.size(); ++i) {
        ::testing::AssertionResult result = raisesNumbered(number, calls[i], description);
        if (!result) return result << " (call " << i + 1 << " of " << calls.size() << ")";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace vek::test
