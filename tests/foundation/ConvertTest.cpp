#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "vek/foundation/Convert.h"
#include "vek/foundation/NumberedError.h"

namespace vek {
namespace {

int errorNumber(const std::function<void()>& f) {
    try {
        f();
    } catch (const NumberedError& e) {
        return e.number();
    }
    return 0;
}

TEST(Convert, IntegerConversionRoundsHalvesToEven) {
    EXPECT_EQ(toInt32(0.5), 0);
    EXPECT_EQ(toInt32(1.5), 2);
    EXPECT_EQ(toInt32(2.5), 2);
    EXPECT_EQ(toInt32(-0.5), 0);
    EXPECT_EQ(toInt32(-1.5), -2);
    EXPECT_EQ(toInt32(2.5000001), 3);
    EXPECT_EQ(toInt16(-32768.4), -32768);
    EXPECT_EQ(toInt32(2147483647.4), 2147483647);
}

TEST(Convert, IntegerConversionOverflowRaisesSix) {
    EXPECT_EQ(errorNumber([] { toInt16(32767.5); }), 6);  // rounds to 32768
    EXPECT_EQ(errorNumber([] { toInt32(2147483647.5); }), 6);
    EXPECT_EQ(errorNumber([] { toInt32(std::nan("")); }), 6);
    EXPECT_EQ(errorNumber([] { toInt32(std::numeric_limits<double>::infinity()); }), 6);
}

TEST(Convert, ToDoubleAcceptsOnlyNumericText) {
    EXPECT_DOUBLE_EQ(toDouble("12.5"), 12.5);
    EXPECT_DOUBLE_EQ(toDouble("  -3  "), -3);
    EXPECT_DOUBLE_EQ(toDouble("1e3"), 1000);
    EXPECT_DOUBLE_EQ(toDouble(".5"), 0.5);
    for (const char* bad : {"", " ", "abc", "12abc", "1.2.3", "-", "."})
        EXPECT_EQ(errorNumber([bad] { toDouble(bad); }), 13) << bad;
    EXPECT_TRUE(isNumeric(" 42 "));
    EXPECT_FALSE(isNumeric("4 2"));
}

TEST(Convert, ValReadsTheLeadingNumber) {
    EXPECT_DOUBLE_EQ(val("12abc"), 12);
    EXPECT_DOUBLE_EQ(val("abc"), 0);
    EXPECT_DOUBLE_EQ(val("  -3.5e2x"), -350);
    EXPECT_DOUBLE_EQ(val("7e"), 7);
    EXPECT_DOUBLE_EQ(val(""), 0);
}

TEST(Convert, ToTextUsesFifteenSignificantDigitsWithoutTrailingZeros) {
    EXPECT_EQ(toText(0.03145728), "0.03145728");
    EXPECT_EQ(toText(3.14159265358979), "3.14159265358979");
    EXPECT_EQ(toText(2.0), "2");
    EXPECT_EQ(toText(-0.5), "-0.5");
    EXPECT_EQ(toText(0.1 + 0.2), "0.3");
    EXPECT_EQ(toText(0.0), "0");
    EXPECT_EQ(toText(0.0001), "0.0001");
    EXPECT_EQ(toText(123456789012345.0), "123456789012345");
    EXPECT_EQ(toText(100.0), "100");
}

TEST(Convert, ToTextSwitchesToExponentFormAtTheClassicLimits) {
    EXPECT_EQ(toText(1e-8), "1E-08");
    EXPECT_EQ(toText(0.00001), "1E-05");
    EXPECT_EQ(toText(-2.5e-7), "-2.5E-07");
    EXPECT_EQ(toText(1e15), "1E+15");
    EXPECT_EQ(toText(1.5e16), "1.5E+16");
    EXPECT_EQ(toText(999999999999999.0), "999999999999999");
    EXPECT_EQ(toText(9999999999999999.0), "1E+16");  // rounds up past the limit
}

TEST(Convert, ToTextOfIntegersAndBooleans) {
    EXPECT_EQ(toText(int16_t{-31913}), "-31913");
    EXPECT_EQ(toText(true), "True");
    EXPECT_EQ(toText(false), "False");
}

TEST(Convert, TextHelpers) {
    EXPECT_EQ(trim("  a b  "), "a b");
    EXPECT_EQ(trim("   "), "");
    EXPECT_TRUE(equalsIgnoreCase("World", "WORLD"));
    EXPECT_FALSE(equalsIgnoreCase("World", "Worlds"));
    EXPECT_EQ(toUpperAscii("abZ1"), "ABZ1");
}

}  // namespace
}  // namespace vek
