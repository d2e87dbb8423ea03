// Homing and tuning values through Calibration, and the recovery routine
// behind RunDiagnostics, on simulated axes.
#include <gtest/gtest.h>

#include "SlidesTestFixture.h"
#include "vek/persistence/Database.h"

namespace vek::test {
namespace {

using Homing = SlidesTest;

// Each axis ends at minus its own offset and draws from there; every call
// that homes or unhomes raises the status event once, an axis beyond the
// chain only a log line. Snapshot: events, then homed of all and each axis.
TEST_F(Homing, AxesHomeWithTheirOwnOffsetsAndDrawFromTheirNewZero) {
    auto& calibration = *runtime().calibration;
    EXPECT_TRUE(calibration.isHomed(0)) << "as the all-motors object answers: no axis is unhomed";
    execute("UPDATE Motor SET negativeHomingOffset = motorKey");  // 1, 2, 3 mm
    connect(3);
    int changes = 0;
    calibration.statusChanged.connect([&] { ++changes; });
    const auto homed = [&] {
        return std::to_string(changes) + " " + each({0, 1, 2, 3}, [&](int axis) { return calibration.isHomed(axis); });
    };
    EXPECT_FALSE(calibration.homeMotor(9));
    EXPECT_TRUE(loggedStartingWith(messages(), "Error while homing all motors -> "));
    EXPECT_TRUE(eachRaisesNumbered(9, {[&] { calibration.isHomed(4); }, [&] { slides().motors()->item(4); }}));
    EXPECT_EQ(homed(), "0 0|0|0|0");

    EXPECT_TRUE(calibration.homeMotor(0));
    EXPECT_EQ(homed(), "1 1|1|1|1");
    EXPECT_EQ(positions(), "-400 -800 -1200");  // 1 mm is 400 counts on a 10 mm lead
    EXPECT_EQ(runtime().configuration->getConfigValue("simulation_isHomed_2"), "-1");
    slides().drawLine(at(4000, 4000, 4000));
    EXPECT_EQ(positions(), "4000 4000 4000");

    EXPECT_TRUE(calibration.homeMotor(1));
    EXPECT_TRUE(logged("Motor MotorX is already homed."));
    EXPECT_EQ(homed(), "2 1|1|1|1");
    calibration.invalidateHoming(2);
    EXPECT_EQ(homed(), "3 0|1|0|1");
    calibration.invalidateHoming(9);
    EXPECT_EQ(homed(), "4 0|1|0|1");
}

TEST_F(Homing, TuningValuesStayInTheRecordUntilDownloaded) {
    connect(2);
    auto& calibration = *runtime().calibration;
    const auto stored = [] {
        const char* pid = "SELECT group_concat(kp || ' ' || ki || ' ' || kd, '|') FROM Motor WHERE motorKey <= 2";
        return runtime().database->Connection()->query(pid).field(0).toText();
    };
    EXPECT_EQ(calibration.getTuningValue(1, 1), 70);  // KP of the stored record
    calibration.setTuningValue(1, 1, 90);
    EXPECT_EQ(calibration.getTuningValue(1, 1), 90);
    EXPECT_EQ(stored(), "70 2 500|70 2 500");
    // A download saves the records of every axis.
    calibration.downloadTuningValuesToDatabase(2, {0, 11, 12, 13});
    EXPECT_EQ(stored(), "90 2 500|11 12 13");
    EXPECT_TRUE(raisesNumbered(9, [&] { calibration.getTuningValue(1, 9); }));
}

using Diagnosis = SlidesTest;

// Without a connection or axes it answers false, the latter after three
// tries; healthy axes pass at the first try and end where they stood; an
// axis left on a limit switch is freed and draws again.
TEST_F(Diagnosis, RecoversWhatItCanAndSaysWhatItCannot) {
    EXPECT_FALSE(slides().RunDiagnostics());
    EXPECT_TRUE(logged("Can't run diagnostics ->No connection is open."));
    connect(0);
    EXPECT_FALSE(slides().RunDiagnostics());
    EXPECT_TRUE(loggedAll(messages(), {"Running diagnostics third time...", "Refreshing the serial connection... ",
                                       "Auto Diagnostics failed to fix the problem after 3 tries!"}));
    connect(3);
    ASSERT_TRUE(runtime().calibration->homeMotor(0, -1, true));
    clearMessages();
    EXPECT_TRUE(slides().RunDiagnostics());
    EXPECT_TRUE(loggedAll(messages(), {"Running diagnostics first time...", "Motor 3 is healthy.",
                                       "Motors are working ok. Diagnostics is successful."}));
    EXPECT_FALSE(logged("Running diagnostics second time..."));
    EXPECT_EQ(positions(), "0 0 0");
    EXPECT_TRUE(raisesNumbered(ErrorCodes::MOTION_INTERRUPTED, [&] { slides().drawLine(at(-10000, 0, 0)); }));
    EXPECT_EQ(motor(1).getResponseOf("RBm"), "1");
    EXPECT_TRUE(slides().RunDiagnostics());
    EXPECT_FALSE(logged("Auto Diagnostics failed to fix the problem after 3 tries!"));
    slides().drawLine(at(1000, 1000, 1000));
    EXPECT_EQ(positions(), "1000 1000 1000");
}

}  // namespace
}  // namespace vek::test
