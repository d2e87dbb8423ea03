#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/Expect.h"
#include "vek/foundation/Convert.h"

namespace vek {
namespace {

using test::raisesNumbered;

TEST(Convert, IntegerConversionRoundsHalvesToEvenAndOverflowRaisesSix) {
    for (auto [value, expected] : std::vector<std::pair<double, int32_t>>{
             {0.5, 0}, {1.5, 2}, {2.5, 2}, {-0.5, 0}, {-1.5, -2}, {2.5000001, 3}, {2147483647.4, 2147483647}})
        EXPECT_EQ(toInt32(value), expected) << value;
    EXPECT_EQ(toInt16(-32768.4), -32768);
    EXPECT_TRUE(raisesNumbered(6, [] { toInt16(32767.5); }));  // rounds to 32768
    for (double bad : {2147483647.5, std::nan(""), std::numeric_limits<double>::infinity()})
        EXPECT_TRUE(raisesNumbered(6, [bad] { toInt32(bad); })) << bad;
}

TEST(Convert, ToDoubleAcceptsOnlyNumericTextAndValReadsTheLeadingNumber) {
    for (auto [text, value] :
         std::vector<std::pair<const char*, double>>{{"12.5", 12.5}, {"  -3  ", -3}, {"1e3", 1000}, {".5", 0.5}})
        EXPECT_DOUBLE_EQ(toDouble(text), value) << text;
    for (const char* bad : {"", " ", "abc", "12abc", "1.2.3", "-", "."})
        EXPECT_TRUE(raisesNumbered(13, [bad] { toDouble(bad); })) << bad;
    EXPECT_TRUE(isNumeric(" 42 "));
    EXPECT_FALSE(isNumeric("4 2"));
    for (auto [text, value] : std::vector<std::pair<const char*, double>>{
             {"12abc", 12}, {"abc", 0}, {"  -3.5e2x", -350}, {"7e", 7}, {"", 0}})
        EXPECT_DOUBLE_EQ(val(text), value) << text;
}

// Fifteen significant digits without trailing zeros; the exponent form
// below 1E-04 and from 1E+15 on, as the classic runtime wrote numbers.
TEST(Convert, ToTextWritesNumbersAsTheClassicRuntimeDid) {
    for (auto [value, text] :
         std::vector<std::pair<double, const char*>>{{0.03145728, "0.03145728"},
                                                     {3.14159265358979, "3.14159265358979"},
                                                     {2.0, "2"},
                                                     {-0.5, "-0.5"},
                                                     {0.1 + 0.2, "0.3"},
                                                     {0.0, "0"},
                                                     {0.0001, "0.0001"},
                                                     {123456789012345.0, "123456789012345"},
                                                     {100.0, "100"},
                                                     {1e-8, "1E-08"},
                                                     {0.00001, "1E-05"},
                                                     {-2.5e-7, "-2.5E-07"},
                                                     {1e15, "1E+15"},
                                                     {1.5e16, "1.5E+16"},
                                                     {999999999999999.0, "999999999999999"},
                                                     {9999999999999999.0, "1E+16"}})  // rounds up past the limit
        EXPECT_EQ(toText(value), text);
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
