// Opening and closing the simulated chain through the façade, the server's
// shared objects and the database step; homing and tuning values through
// Calibration, and the recovery routine behind RunDiagnostics.
#include <gtest/gtest.h>

#include "SlidesTestFixture.h"
#include "vek/foundation/Error.h"
#include "vek/motion/Server.h"
#include "vek/persistence/DataSets.h"
#include "vek/persistence/Database.h"

namespace vek::test {
namespace {

using Connection = SlidesTest;

// Up to three axes are lettered and streamed every 128 ms; longer chains are
// numbered, with steps of 256 ms up to six axes and 512 ms beyond; the chain
// holds eight. Snapshot: axes of the published machine, step, names of the
// motors by key, name of "all", axis names.
TEST_F(Connection, ChainLengthSetsTheStepAndTheNames) {
    load(0);
    const auto chain = [&](int n) {
        setMotorCount(n);
        runtime().configuration->reload();
        slides().openConnection(9600, "SIM");
        const auto& motors = *slides().motors();
        std::string text =
            std::to_string(activeMachine().axisCount) + " " + std::to_string(slides().getPath()->TIMEDELTA());
        for (std::size_t i = 1; i <= motors.count(); ++i) text += " " + motors.item(std::to_string(i))->name();
        text += slides().AllMotors() ? " all=" : " none=";
        return text + slides().getMotorDefaultName(0) + " " + slides().getAxisDefaultName(1) + "," +
               slides().getAxisDefaultName(2) + "," + slides().getAxisDefaultName(4);
    };
    EXPECT_EQ(each({0, 2, 3, 4, 6, 7, 12}, chain),
              "0 128 none=Motor0 X1,X2,X4|"
              "2 128 MotorX MotorY all=MotorAll X,Y,|"
              "3 128 MotorX MotorY MotorZ all=MotorAll X,Y,|"
              "4 256 Motor1 Motor2 Motor3 Motor4 all=Motor0 X1,X2,X4|"
              "6 256 Motor1 Motor2 Motor3 Motor4 Motor5 Motor6 all=Motor0 X1,X2,X4|"
              "7 512 Motor1 Motor2 Motor3 Motor4 Motor5 Motor6 Motor7 all=Motor0 X1,X2,X4|"
              "8 512 Motor1 Motor2 Motor3 Motor4 Motor5 Motor6 Motor7 Motor8 all=Motor0 X1,X2,X4");
}

// The façade publishes the machine it connected, the validator counts its
// axes and saved names reach the live motors. Closing sets a baud rate only
// when given one and may be repeated; motors of a closed connection and a
// façade after shut-down refuse with a numbered error that says why; the
// serial channel's port failure reaches the host as 101 with its text.
TEST_F(Connection, OpenCloseAndShutDown) {
    connect(3);
    EXPECT_EQ(std::to_string(slides().currentBaudRate()) + " " + slides().getCommunication()->portName(), "9600 SIM");
    EXPECT_EQ(activeMachine().axes[0].slideModel, "SM-TEST");
    EXPECT_NO_THROW(runtime().error->validateAxis(3));
    EXPECT_TRUE(raisesNumbered(ErrorCodes::INVALID_ARGUMENTS, [] { runtime().error->validateAxis(4); }));
    runtime().configuration->motorsData()->item(2)->setName("Gantry Y");
    runtime().configuration->saveData(false);
    EXPECT_EQ(motor(1).name() + " " + motor(2).name(), "Motor1 Gantry Y");

    auto x = slides().motors()->item(1);
    auto all = slides().AllMotors();
    auto comm = slides().getCommunication();
    comm->setBaudRate(38400);
    slides().closeConnection();
    EXPECT_EQ(comm->baudRate(), 38400);
    EXPECT_EQ(slides().motors()->count(), 0u);
    EXPECT_FALSE(slides().AllMotors());
    EXPECT_EQ(activeMachine().axisCount, 0);
    EXPECT_TRUE(eachRaisesNumbered(
        ErrorCodes::OPEN_PORT_FAILED,
        {[&] { x->position(); }, [&] { x->goToPosition(100); }, [&] { x->isHomed(); }, [&] { x->StopMotion(true); }},
        "Motor[Motor1]->The connection to the motors is closed."));
    EXPECT_FALSE(x->canCommunicate());
    EXPECT_TRUE(raisesNumbered(ErrorCodes::OPEN_PORT_FAILED, [&] { all->isMoving(); }));
    EXPECT_TRUE(
        eachRaisesNumbered(ErrorCodes::NO_MOTORS_DETECTED,
                           {[&] { slides().getCurrentPoint(); }, [&] { slides().drawLine(at(1, 1), at(9, 9)); }},
                           "No connection is open."));

    slides().openConnection(9600, "SIM");
    comm = slides().getCommunication();
    slides().closeConnection(19200);
    EXPECT_EQ(comm->baudRate(), 19200);
    slides().closeConnection(9600);
    EXPECT_EQ(comm->baudRate(), 9600);
    slides().setIsSimulation(false);
    EXPECT_TRUE(raisesNumbered(
        ErrorCodes::OPEN_CONNECTION_FAILED, [&] { slides().openConnection(9600, "/dev/vek-no-such-port"); },
        "Can't open serial port. Check that other application is not using the same port. "
        "[Cannot open /dev/vek-no-such-port (No such file or directory).]"));
    EXPECT_EQ(slides().motors()->count(), 0u);
    slides().setIsSimulation(true);
    slides().openConnection(9600, "SIM");
    EXPECT_EQ(slides().motors()->count(), 3u);

    auto facade = runtime().linearSlides;
    shutDown();
    EXPECT_TRUE(eachRaisesNumbered(
        PlatformErrors::OBJECT_NOT_SET,
        {[&] { facade->openConnection(9600, "SIM"); }, [&] { facade->databaseRelatedInit("vek.db"); },
         [&] { facade->drawLine(at(1, 1)); }, [&] { facade->stopMotors(); }, [&] { facade->setPitchRatios(1, 1, 1); }},
        "vek has been shut down; construct a Server to start it again."));
    EXPECT_FALSE(facade->RunDiagnostics());
}

// The database step: configuration and data sets for every server, pitch
// ratios relative to X from the slides (all 1 while X has no pitch); a newer
// file is refused and an older one upgraded.
TEST_F(Connection, DatabaseStep) {
    // X without a slide, Y on a slide of 19.05 mm pitch, Z of 10 mm.
    execute("UPDATE Motor SET slideKey = CASE motorKey WHEN 1 THEN 999 WHEN 2 THEN 6 ELSE 1 END");
    const auto ratios = [&] { return each({0, 1, 2, 3}, [&](int axis) { return slides().getPitchRatio(axis); }); };
    Server server;
    EXPECT_TRUE(logged("Init of Server"));
    EXPECT_FALSE(server.Configuration() || server.DataSets());
    slides().databaseRelatedInit("  vek.db ");
    EXPECT_TRUE(loggedAll(messages(), {"Loading   vek.db  database.", "Database   vek.db  loaded successfully.",
                                       "Axis X1 has no slide model with a pitch; pitch ratios stay 1."}));
    EXPECT_EQ(ratios(), "0|1|1|1");
    ASSERT_TRUE(server.DataSets() && server.Configuration());
    EXPECT_TRUE(server.DataSets()->GLOBAL_DATASET());

    execute("UPDATE Motor SET slideKey = 4 WHERE motorKey = 1");
    slides().databaseRelatedInit("vek.db");
    EXPECT_EQ(ratios(), "0|1|1.905|1");
    slides().setPitchRatios(2, 8, 1);
    EXPECT_EQ(ratios(), "0|1|4|0.5");
    EXPECT_TRUE(logged("PitchRatio for Motor2 is 4"));
    EXPECT_TRUE(raisesNumbered(9, [&] { slides().getPitchRatio(9); }));
    EXPECT_TRUE(raisesNumbered(PlatformErrors::OVERFLOW_ERROR, [&] { slides().setPitchRatios(0, 4, 1); }));
    execute("UPDATE Motor SET slideKey = 999 WHERE motorKey = 1");
    slides().databaseRelatedInit("vek.db");
    EXPECT_EQ(ratios(), "0|1|1|1") << "without an X pitch the ratios of an earlier load go";

    execute("UPDATE Config SET keyValue = '13' WHERE keyName = 'dbVersion'");
    EXPECT_TRUE(raisesNumbered(
        ErrorCodes::DATABASE_ERROR, [&] { slides().databaseRelatedInit("vek.db"); },
        "Incompatible database. [vek.db]"));
    EXPECT_TRUE(
        loggedStartingWith(messages(), "You are trying to run an old application with a new database version_13"));
    slides().databaseRelatedInit("vek_v0.db");
    EXPECT_TRUE(loggedAll(messages(), {"Database version_0 is incompatible with the current database version. "
                                       "Migrating to new database version_12 ...",
                                       "Database migration succeeded. Old database has been backed up. Loading the "
                                       "application...",
                                       "Database vek_v0.db loaded successfully."}));
    EXPECT_EQ(runtime().database->Version(), 12);
    EXPECT_TRUE(runtime().configuration && runtime().dataSets);
}

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
