#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "support/Expect.h"
#include "support/TempInstall.h"
#include "vek/foundation/Error.h"
#include "vek/foundation/InstallFolder.h"

namespace vek {
namespace {

// The description of the error 11 raised by `f`, or "accepted".
std::string refusal(const std::function<void()>& f) {
    const NumberedError e = test::raised(f);
    if (e.number() == 0) return "accepted";
    EXPECT_EQ(e.number(), 11);
    EXPECT_EQ(e.source(), "");
    return e.description();
}

// `validate` accepts every value of `good` and refuses each of `bad` with `text`.
template <typename T, typename F>
void expectRule(F validate, std::vector<T> good, std::vector<T> bad, const std::string& text) {
    for (const T& v : good) EXPECT_EQ(refusal([&] { validate(v); }), "accepted") << v;
    for (const T& v : bad) EXPECT_EQ(refusal([&] { validate(v); }), text) << v;
}

class ErrorTest : public test::VekTest {
protected:
    Error v_;
};

// Bounds are inclusive where the rules say so; floating-point checks refuse
// zero where strict and NaN always.
TEST_F(ErrorTest, EachRuleAcceptsItsBoundsAndRefusesWithItsText) {
    const double nan = std::nan("");
    expectRule<int16_t>([&](int16_t v) { v_.validateMaxPositionError(v); }, {1, 32000}, {0, 32001},
                        "MaxPositionError (1 to 32000) is out of bounds.");
    expectRule<int16_t>([&](int16_t v) { v_.validateMaxCurrent(v); }, {0, 1023}, {-1, 1024},
                        "MaxCurrent (0 to 1023) is out of bounds.");
    expectRule<int16_t>([&](int16_t v) { v_.validateLogLevels(v); }, {4}, {5, -1},
                        "Log levels can only be 0, 1 (default), 2, 3, 4.");
    expectRule<int16_t>([&](int16_t v) { v_.validateDirection(v); }, {-1}, {0},
                        "Direction value can only be +1 or -1.");
    expectRule<int16_t>([&](int16_t v) { v_.validateBinary(v); }, {0}, {2}, "Status value can only be 0 or 1.");
    expectRule<double>([&](double v) { v_.validateSpeed(v); }, {1e-9}, {0, nan}, "Speed has to be positive number.");
    expectRule<double>([&](double v) { v_.validateAcceleration(v); }, {}, {0, nan},
                       "Acceleration has to be positive number.");
    expectRule<double>([&](double v) { v_.validateCornerRadius(v); }, {0}, {-0.001, nan},
                       "Corner radius can not be negative number.");
    expectRule<double>([&](double v) { v_.validatePercentage(v); }, {0, 100}, {100.0001, nan},
                       "Percentage (0 to 100) is out of bounds.");
    expectRule<int32_t>([&](int32_t v) { v_.validateBaudRate(v); }, {110, 9600, 38400, 56000, 256000}, {57600, 115200},
                        "Invalid baudrate is specified.Valid values are 110, 300, 600, 1200, 2400, 9600 (default), "
                        "14400, 19200, 28800, 38400, 56000, 128000 or 256000.");
    expectRule<std::string>([&](const std::string& v) { v_.validateCoordinateSystem(v); }, {"world", "User"},
                            {"MACHINE"}, "Coordinate system can only be WORLD or USER. MACHINE is not a valid name.");
    EXPECT_EQ(refusal([&] { v_.validateDisallowedWord("Abc", "a"); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateDisallowedWord("abc", "b"); }), "Disallowed word b appears in abc");
    EXPECT_EQ(refusal([&] { v_.validateObject(nullptr); }),
              "Object is uninitialized. Please assign a new object to the variable.");
    EXPECT_EQ(refusal([&] { v_.validateObject(std::make_shared<int>(1)); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateIntegerArrayBounds(std::vector<int16_t>(3), 2); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateIntegerArrayBounds(std::vector<int16_t>(3), 3); }),
              "Index 3 is out of bound of the array");
    EXPECT_EQ(refusal([&] { v_.validateLongArrayBounds({}, 0); }), "Index 0 is out of bound of the array");
    EXPECT_EQ(refusal([&] { v_.validateDoubleArrayBounds({1.0}, -1); }), "Index -1 is out of bound of the array");
    EXPECT_EQ(refusal([&] { v_.validateSingleArrayBounds({1.0f, 2.0f}, 1); }), "accepted");
    // No façade: no motor is connected, so only "all motors" passes.
    EXPECT_EQ(refusal([&] { v_.validateAxis(0, true); }), "accepted");
    for (int16_t axis : {0, 1})
        EXPECT_EQ(refusal([&] { v_.validateAxis(axis); }), "Motor Index " + std::to_string(axis) + " is invalid.");
    EXPECT_EQ(refusal([&] { v_.validateAxis(-3, true); }), "Motor Index -3 is invalid.");
}

TEST_F(ErrorTest, ProgramsMustExistInTheProgramsFolder) {
    const std::string folder = installSubfolder(InstallSubfolder::programs);
    EXPECT_EQ(refusal([&] { v_.validateProgram("home.smx"); }), "Program " + folder + "/home.smx is not found.");
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/home.smx") << "";
    EXPECT_EQ(refusal([&] { v_.validateProgram("home.smx"); }), "accepted");
}

TEST(NumberedErrorTest, WrappingKeepsTheInnerTextAndHelpTopic) {
    const NumberedError inner(9, "Database file is locked.", "", "vek.chm", 42);
    const NumberedError outer = NumberedError::wrap(11, "Can't load.", inner);
    EXPECT_EQ(outer.number(), 11);
    EXPECT_EQ(outer.description(), "Can't load.[Database file is locked.]");
    EXPECT_STREQ(outer.what(), "Can't load.[Database file is locked.]");
    EXPECT_EQ(outer.helpFile(), "vek.chm");
    EXPECT_EQ(outer.helpContext(), 42);
    EXPECT_EQ(NumberedError::platform(457).description(),
              "This key is already associated with an element of this collection");
    EXPECT_EQ(NumberedError::platform(13).description(), "Type mismatch");
}

}  // namespace
}  // namespace vek
