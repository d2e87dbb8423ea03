#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "support/TempInstall.h"
#include "vek/foundation/Error.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/NumberedError.h"

namespace vek {
namespace {

// The description of the error 11 raised by `f`, or "accepted".
std::string refusal(const std::function<void()>& f) {
    try {
        f();
    } catch (const NumberedError& e) {
        EXPECT_EQ(e.number(), 11);
        EXPECT_EQ(e.source(), "");
        return e.description();
    }
    return "accepted";
}

class ErrorTest : public test::VekTest {
protected:
    Error v_;
};

TEST_F(ErrorTest, NumericBoundsAreInclusiveWhereTheRulesSaySo) {
    const std::string maxPos = "MaxPositionError (1 to 32000) is out of bounds.";
    EXPECT_EQ(refusal([&] { v_.validateMaxPositionError(0); }), maxPos);
    EXPECT_EQ(refusal([&] { v_.validateMaxPositionError(1); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateMaxPositionError(32000); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateMaxPositionError(32001); }), maxPos);
    const std::string maxCur = "MaxCurrent (0 to 1023) is out of bounds.";
    EXPECT_EQ(refusal([&] { v_.validateMaxCurrent(-1); }), maxCur);
    EXPECT_EQ(refusal([&] { v_.validateMaxCurrent(0); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateMaxCurrent(1023); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateMaxCurrent(1024); }), maxCur);
    EXPECT_EQ(refusal([&] { v_.validateLogLevels(4); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateLogLevels(5); }), "Log levels can only be 0, 1 (default), 2, 3, 4.");
    EXPECT_EQ(refusal([&] { v_.validateLogLevels(-1); }), "Log levels can only be 0, 1 (default), 2, 3, 4.");
    EXPECT_EQ(refusal([&] { v_.validateDirection(0); }), "Direction value can only be +1 or -1.");
    EXPECT_EQ(refusal([&] { v_.validateDirection(-1); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateBinary(2); }), "Status value can only be 0 or 1.");
    EXPECT_EQ(refusal([&] { v_.validateBinary(0); }), "accepted");
}

TEST_F(ErrorTest, FloatingPointChecksRefuseZeroWhereStrictAndAlwaysNaN) {
    const double nan = std::nan("");
    EXPECT_EQ(refusal([&] { v_.validateSpeed(0); }), "Speed has to be positive number.");
    EXPECT_EQ(refusal([&] { v_.validateSpeed(nan); }), "Speed has to be positive number.");
    EXPECT_EQ(refusal([&] { v_.validateSpeed(1e-9); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateAcceleration(0); }), "Acceleration has to be positive number.");
    EXPECT_EQ(refusal([&] { v_.validateAcceleration(nan); }), "Acceleration has to be positive number.");
    EXPECT_EQ(refusal([&] { v_.validateCornerRadius(0); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateCornerRadius(-0.001); }), "Corner radius can not be negative number.");
    EXPECT_EQ(refusal([&] { v_.validateCornerRadius(nan); }), "Corner radius can not be negative number.");
    EXPECT_EQ(refusal([&] { v_.validatePercentage(0); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validatePercentage(100); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validatePercentage(100.0001); }), "Percentage (0 to 100) is out of bounds.");
    EXPECT_EQ(refusal([&] { v_.validatePercentage(nan); }), "Percentage (0 to 100) is out of bounds.");
}

TEST_F(ErrorTest, BaudRates) {
    const std::string text =
        "Invalid baudrate is specified.Valid values are 110, 300, 600, 1200, 2400, 9600 (default), 14400, 19200, "
        "28800, 38400, 56000, 128000 or 256000.";
    EXPECT_EQ(refusal([&] { v_.validateBaudRate(57600); }), text);
    EXPECT_EQ(refusal([&] { v_.validateBaudRate(115200); }), text);
    for (int32_t rate : {110, 9600, 38400, 56000, 256000})
        EXPECT_EQ(refusal([&] { v_.validateBaudRate(rate); }), "accepted") << rate;
}

TEST_F(ErrorTest, WordsNamesAndObjects) {
    EXPECT_EQ(refusal([&] { v_.validateDisallowedWord("Abc", "a"); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateDisallowedWord("abc", "b"); }), "Disallowed word b appears in abc");
    EXPECT_EQ(refusal([&] { v_.validateCoordinateSystem("world"); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateCoordinateSystem("User"); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateCoordinateSystem("MACHINE"); }),
              "Coordinate system can only be WORLD or USER. MACHINE is not a valid name.");
    EXPECT_EQ(refusal([&] { v_.validateObject(nullptr); }),
              "Object is uninitialized. Please assign a new object to the variable.");
    EXPECT_EQ(refusal([&] { v_.validateObject(std::make_shared<int>(1)); }), "accepted");
}

TEST_F(ErrorTest, AxisRangeFollowsTheConnectedMotors) {
    // No façade yet: no motor is connected, so only "all motors" passes.
    EXPECT_EQ(refusal([&] { v_.validateAxis(0, true); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateAxis(0); }), "Motor Index 0 is invalid.");
    EXPECT_EQ(refusal([&] { v_.validateAxis(1); }), "Motor Index 1 is invalid.");
    EXPECT_EQ(refusal([&] { v_.validateAxis(-3, true); }), "Motor Index -3 is invalid.");
}

TEST_F(ErrorTest, ProgramsMustExistInTheProgramsFolder) {
    const std::string folder = installSubfolder(InstallSubfolder::programs);
    EXPECT_EQ(refusal([&] { v_.validateProgram("home.smx"); }), "Program " + folder + "/home.smx is not found.");
    std::filesystem::create_directories(folder);
    std::ofstream(folder + "/home.smx") << "";
    EXPECT_EQ(refusal([&] { v_.validateProgram("home.smx"); }), "accepted");
}

TEST_F(ErrorTest, ArrayBounds) {
    std::vector<int16_t> ints(3);
    EXPECT_EQ(refusal([&] { v_.validateIntegerArrayBounds(ints, 2); }), "accepted");
    EXPECT_EQ(refusal([&] { v_.validateIntegerArrayBounds(ints, 3); }), "Index 3 is out of bound of the array");
    EXPECT_EQ(refusal([&] { v_.validateLongArrayBounds({}, 0); }), "Index 0 is out of bound of the array");
    EXPECT_EQ(refusal([&] { v_.validateDoubleArrayBounds({1.0}, -1); }), "Index -1 is out of bound of the array");
    EXPECT_EQ(refusal([&] { v_.validateSingleArrayBounds({1.0f, 2.0f}, 1); }), "accepted");
}

TEST_F(ErrorTest, TheRecordHoldsAPosition) {
    Error record;
    EXPECT_EQ(record.code(), 0);
    EXPECT_EQ(record.message(), "");
    record.setLine(12);
    record.setColumn(4);
    record.setMessage("syntax");
    EXPECT_EQ(record.line(), 12);
    EXPECT_EQ(record.column(), 4);
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
