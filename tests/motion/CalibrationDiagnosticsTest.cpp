// Homing and tuning values through Calibration, and the recovery routine
// behind RunDiagnostics, on simulated axes.
#include <gtest/gtest.h>

#include "SlidesTestFixture.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/motors/Calibration.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/Recordset.h"

namespace vek::test {
namespace {

using Homing = SlidesTest;

TEST_F(Homing, AllAxesHomeWithTheirOwnOffsets) {
    auto& calibration = *runtime().calibration;
    EXPECT_TRUE(calibration.isHomed(0)) << "as the all-motors object answers: no axis is unhomed";
    connect(3, {1.0, 2.0, 3.0});
    int changes = 0;
    calibration.statusChanged.connect([&] { ++changes; });
    EXPECT_FALSE(calibration.isHomed(0));
    EXPECT_TRUE(calibration.homeMotor(0));
    EXPECT_EQ(changes, 1);
    // 1 mm is 400 counts on a 10 mm lead; the axis stands at minus its offset.
    EXPECT_EQ(positions(), (std::vector<int32_t>{-400, -800, -1200}));
    EXPECT_TRUE(calibration.isHomed(0));
    EXPECT_TRUE(calibration.isHomed(2));
    EXPECT_EQ(runtime().configuration->getConfigValue("simulation_isHomed_2"), "-1");

    clearMessages();
    EXPECT_TRUE(calibration.homeMotor(1));
    EXPECT_TRUE(logged("Motor MotorX is already homed."));
    EXPECT_EQ(changes, 2);

    calibration.invalidateHoming(2);
    EXPECT_FALSE(calibration.isHomed(2));
    EXPECT_FALSE(calibration.isHomed(0));
    EXPECT_EQ(changes, 3);
    // Beyond the axes only the event is raised.
    calibration.invalidateHoming(9);
    EXPECT_EQ(changes, 4);
}

TEST_F(Homing, HomedAxesDrawFromTheirNewZero) {
    connect(2, {1.0, 0.0});
    ASSERT_TRUE(runtime().calibration->homeMotor(0));
    slides().drawLine(at(4000, 4000));
    EXPECT_EQ(positions(), (std::vector<int32_t>{4000, 4000}));
}

TEST_F(Homing, AxisOutOfRangeIsLoggedAndAnsweredFalse) {
    connect(2);
    auto& calibration = *runtime().calibration;
    int changes = 0;
    calibration.statusChanged.connect([&] { ++changes; });
    EXPECT_FALSE(calibration.homeMotor(9));
    EXPECT_TRUE(loggedStartingWith("Error while homing all motors -> "));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(raised([&] { calibration.isHomed(3); }).number(), 9);
    EXPECT_EQ(raised([&] { slides().motors()->item(3); }).number(), 9);
    // Still usable afterwards.
    EXPECT_TRUE(calibration.homeMotor(0, -1, true));
    EXPECT_EQ(changes, 1);
}

TEST_F(Homing, TuningValuesStayInTheRecordUntilDownloaded) {
    connect(2);
    auto& calibration = *runtime().calibration;
    EXPECT_EQ(calibration.getTuningValue(1, 1), 70);  // KP of the stored record
    calibration.setTuningValue(1, 1, 90);
    EXPECT_EQ(calibration.getTuningValue(1, 1), 90);
    calibration.downloadTuningValuesToDatabase(2, {0, 11, 12, 13});
    auto rs = runtime().database->Connection()->query("SELECT kp, ki, kd FROM Motor WHERE motorKey = 2");
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.field("kp").toInt32(), 11);
    EXPECT_EQ(rs.field("kd").toInt32(), 13);
    EXPECT_EQ(raised([&] { calibration.getTuningValue(1, 9); }).number(), 9);
}

using Diagnosis = SlidesTest;

TEST_F(Diagnosis, HealthyAxesPassAtTheFirstTry) {
    connect(3);
    ASSERT_TRUE(runtime().calibration->homeMotor(0, -1, true));
    clearMessages();
    EXPECT_TRUE(slides().RunDiagnostics());
    EXPECT_TRUE(logged("Running diagnostics first time..."));
    EXPECT_FALSE(logged("Running diagnostics second time..."));
    EXPECT_TRUE(logged("Motor 3 is healthy."));
    EXPECT_TRUE(logged("Motors are working ok. Diagnostics is successful."));
    // The check returns every axis to where it stood.
    EXPECT_EQ(positions(), (std::vector<int32_t>{0, 0, 0}));
}

TEST_F(Diagnosis, AxisLeftOnALimitSwitchIsRecovered) {
    connect(2);
    ASSERT_TRUE(runtime().calibration->homeMotor(0, -1, true));
    EXPECT_EQ(raised([&] { slides().drawLine(at(-10000, 0)); }).number(), ErrorCodes::MOTION_INTERRUPTED);
    EXPECT_EQ(motor(1).getResponseOf("RBm"), "1");
    EXPECT_TRUE(slides().RunDiagnostics());
    EXPECT_FALSE(logged("Auto Diagnostics failed to fix the problem after 3 tries!"));
    slides().drawLine(at(1000, 1000));
    EXPECT_EQ(positions(), (std::vector<int32_t>{1000, 1000}));
}

TEST_F(Diagnosis, NoAxesFailAllThreeTries) {
    connect(0);
    EXPECT_FALSE(slides().RunDiagnostics());
    EXPECT_TRUE(logged("Running diagnostics third time..."));
    EXPECT_TRUE(logged("Refreshing the serial connection... "));
    EXPECT_TRUE(logged("Auto Diagnostics failed to fix the problem after 3 tries!"));
}

TEST_F(Diagnosis, WithoutAConnectionItAnswersFalse) {
    EXPECT_FALSE(slides().RunDiagnostics());
    EXPECT_TRUE(logged("Can't run diagnostics ->No connection is open."));
}

}  // namespace
}  // namespace vek::test
