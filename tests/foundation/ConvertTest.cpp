#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/Each.h"
#include "support/Expect.h"
#include "vek/foundation/Convert.h"

namespace vek {
namespace {

using test::each;
using test::raisesNumbered;

TEST(Convert, IntegerConversionRoundsHalvesToEvenAndOverflowRaisesSix) {
    EXPECT_EQ(each({0.5, 1.5, 2.5, -0.5, -1.5, 2.5000001, 2147483647.4}, toInt32), "0|2|2|0|-2|3|2147483647");
    EXPECT_EQ(toInt16(-32768.4), -32768);
    EXPECT_TRUE(raisesNumbered(6, [] { toInt16(32767.5); }));  // rounds to 32768
    for (double bad : {2147483647.5, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_TRUE(raisesNumbered(6, [bad] { toInt32(bad); })) << bad;
}

TEST(Convert, ToDoubleAcceptsOnlyNumericTextValReadsTheLeadingNumberAndTextHelpers) {
    auto text = [](double v) { return toText(v); };
    EXPECT_EQ(each({"12.5", "  -3  ", "1e3", ".5"}, [&](const char* t) { return text(toDouble(t)); }),
              "12.5|-3|1000|0.5");
    for (const char* bad : {"", " ", "abc", "12abc", "1.2.3", "-", "."})
        EXPECT_TRUE(raisesNumbered(13, [bad] { toDouble(bad); })) << bad;
    EXPECT_TRUE(isNumeric(" 42 "));
    EXPECT_FALSE(isNumeric("4 2"));
    EXPECT_EQ(each({"12abc", "abc", "  -3.5e2x", "7e", ""}, [&](const char* t) { return text(val(t)); }),
              "12|0|-350|7|0");
    EXPECT_EQ(trim("  a b  ") + "|" + trim("   "), "a b|");
    EXPECT_TRUE(equalsIgnoreCase("World", "WORLD"));
    EXPECT_FALSE(equalsIgnoreCase("World", "Worlds"));
    EXPECT_EQ(toUpperAscii("abZ1"), "ABZ1");
}

// Fifteen significant digits without trailing zeros; the exponent form
// below 1E-04 and from 1E+15 on (also when rounding gets there), as the
// classic runtime wrote numbers.
TEST(Convert, ToTextWritesNumbersAsTheClassicRuntimeDid) {
    auto text = [](double v) { return toText(v); };
    EXPECT_EQ(each({0.03145728, 3.14159265358979, 2.0, -0.5, 0.1 + 0.2, 0.0, 0.0001, 123456789012345.0, 100.0}, text),
              "0.03145728|3.14159265358979|2|-0.5|0.3|0|0.0001|123456789012345|100");
    EXPECT_EQ(each({1e-8, 0.00001, -2.5e-7, 1e15, 1.5e16, 999999999999999.0, 9999999999999999.0}, text),
              "1E-08|1E-05|-2.5E-07|1E+15|1.5E+16|999999999999999|1E+16");
    EXPECT_EQ(toText(int16_t{-31913}), "-31913");
    EXPECT_EQ(toText(true) + toText(false), "TrueFalse");
}

}  // namespace
}  // namespace vek
