// Opening and closing the simulated chain through the façade, the server's
// shared objects and the database step.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "SlidesTestFixture.h"
#include "vek/comm/ICommunication.h"
#include "vek/foundation/Error.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/motion/Server.h"
#include "vek/motors/Calibration.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/DataSets.h"
#include "vek/persistence/Database.h"

namespace vek::test {
namespace {

using Connection = SlidesTest;

TEST_F(Connection, TwoMotorsUseShortStepsAndAxisLetters) {
    connect(2);
    const auto& motors = *slides().motors();
    ASSERT_EQ(motors.count(), 2u);
    EXPECT_TRUE(motors.contains("1"));
    EXPECT_TRUE(motors.contains("2"));
    EXPECT_EQ(slides().getPath()->TIMEDELTA(), 128);
    EXPECT_EQ(slides().getMotorDefaultName(0), "MotorAll");
    EXPECT_EQ(slides().getMotorDefaultName(2), "MotorY");
    EXPECT_EQ(slides().getAxisDefaultName(2), "Y");
    EXPECT_EQ(slides().getAxisDefaultName(4), "");
    EXPECT_EQ(motor(1).name(), "MotorX");
    EXPECT_EQ(motor(2).name(), "MotorY");
    ASSERT_TRUE(slides().AllMotors());
    EXPECT_EQ(slides().currentBaudRate(), 9600);
    EXPECT_EQ(slides().getCommunication()->portName(), "SIM");
    // The façade publishes the machine it connected; the validator counts
    // its axes.
    EXPECT_EQ(activeMachine().axisCount, 2);
    EXPECT_EQ(activeMachine().axes[0].slideModel, "SM-TEST");
    EXPECT_NO_THROW(runtime().error->validateAxis(2));
    EXPECT_EQ(raised([] { runtime().error->validateAxis(3); }).number(), ErrorCodes::INVALID_ARGUMENTS);
}

TEST_F(Connection, FiveAndSevenMotorsUseLongerStepsAndNumberedNames) {
    connect(5);
    EXPECT_EQ(slides().motors()->count(), 5u);
    EXPECT_EQ(slides().getPath()->TIMEDELTA(), 256);
    EXPECT_EQ(slides().getMotorDefaultName(5), "Motor5");
    EXPECT_EQ(slides().getAxisDefaultName(5), "X5");
    EXPECT_EQ(motor(1).name(), "Motor1");

    DbConnection db;
    db.open(install_->file("data/vek.db"));
    db.execute("UPDATE Config SET keyValue = '7' WHERE keyName = 'softwareMotors'");
    runtime().configuration->reload();
    slides().openConnection(9600, "SIM");
    EXPECT_EQ(slides().motors()->count(), 7u);
    EXPECT_EQ(slides().getPath()->TIMEDELTA(), 512);
    EXPECT_EQ(motor(7).name(), "Motor7");
}

TEST_F(Connection, SavedAxisNamesReachTheLiveMotors) {
    connect(2);
    runtime().configuration->motorsData()->item(2)->setName("Gantry Y");
    runtime().configuration->saveData(false);
    EXPECT_EQ(motor(2).name(), "Gantry Y");
    EXPECT_EQ(motor(1).name(), "Motor1");
}

TEST_F(Connection, AtMostEightAxesAreAddressed) {
    connect(12);
    EXPECT_EQ(slides().motors()->count(), 8u);
    EXPECT_EQ(slides().getPath()->TIMEDELTA(), 512);
    EXPECT_EQ(motor(8).name(), "Motor8");
}

TEST_F(Connection, NoMotorsLeavesTheCollectionEmptyWithoutError) {
    connect(0);
    EXPECT_EQ(slides().motors()->count(), 0u);
    EXPECT_FALSE(slides().AllMotors());
    EXPECT_EQ(slides().getMotorDefaultName(1), "Motor1");
    EXPECT_EQ(slides().getAxisDefaultName(1), "X1");
}

TEST_F(Connection, SerialChannelIsRefusedAsAFailedConnection) {
    load(2);
    slides().setIsSimulation(false);
    const auto e = raised([&] { slides().openConnection(9600, "/dev/ttyUSB0"); });
    EXPECT_EQ(e.number(), ErrorCodes::OPEN_CONNECTION_FAILED);
    EXPECT_NE(e.description().find("serial channel is not available"), std::string::npos) << e.description();
    EXPECT_EQ(slides().motors()->count(), 0u);
    // Switching simulation back on recovers.
    slides().setIsSimulation(true);
    slides().openConnection(9600, "SIM");
    EXPECT_EQ(slides().motors()->count(), 2u);
}

TEST_F(Connection, CloseSetsTheGivenBaudRateOnlyWhenGiven) {
    connect(3);
    auto comm = slides().getCommunication();
    comm->setBaudRate(38400);
    slides().closeConnection();
    EXPECT_EQ(comm->baudRate(), 38400);
    EXPECT_EQ(slides().motors()->count(), 0u);
    EXPECT_FALSE(slides().AllMotors());
    EXPECT_EQ(activeMachine().axisCount, 0);

    slides().openConnection(9600, "SIM");
    comm = slides().getCommunication();
    slides().closeConnection(19200);
    EXPECT_EQ(comm->baudRate(), 19200);
    // Closing twice is harmless.
    slides().closeConnection(9600);
    EXPECT_EQ(comm->baudRate(), 9600);
}

// A motor whose connection closed and a façade after shut-down refuse with a
// numbered error that says why, instead of acting on nothing.
TEST_F(Connection, UseAfterCloseOrShutDownRaises) {
    connect(2);
    auto x = slides().motors()->item(1);
    auto all = slides().AllMotors();
    slides().closeConnection();
    const std::string closed = "Motor[MotorX]->The connection to the motors is closed.";
    for (const auto& [name, call] :
         std::vector<std::pair<const char*, std::function<void()>>>{{"position", [&] { x->position(); }},
                                                                    {"goToPosition", [&] { x->goToPosition(100); }},
                                                                    {"isHomed", [&] { x->isHomed(); }},
                                                                    {"StopMotion", [&] { x->StopMotion(true); }}}) {
        EXPECT_TRUE(raisesNumbered(ErrorCodes::OPEN_PORT_FAILED, call, closed)) << name;
    }
    EXPECT_FALSE(x->canCommunicate());
    EXPECT_TRUE(raisesNumbered(ErrorCodes::OPEN_PORT_FAILED, [&] { all->isMoving(); }));
    EXPECT_TRUE(raisesNumbered(
        ErrorCodes::NO_MOTORS_DETECTED, [&] { slides().getCurrentPoint(); }, "No connection is open."));
    EXPECT_TRUE(raisesNumbered(ErrorCodes::NO_MOTORS_DETECTED, [&] { slides().drawLine(at(1, 1), at(9, 9)); }));

    auto facade = runtime().linearSlides;
    shutDown();
    const std::string gone = "vek has been shut down; construct a Server to start it again.";
    for (const auto& [name, call] : std::vector<std::pair<const char*, std::function<void()>>>{
             {"openConnection", [&] { facade->openConnection(9600, "SIM"); }},
             {"databaseRelatedInit", [&] { facade->databaseRelatedInit("vek.db"); }},
             {"drawLine", [&] { facade->drawLine(at(1, 1)); }},
             {"stopMotors", [&] { facade->stopMotors(); }},
             {"setPitchRatios", [&] { facade->setPitchRatios(1, 1, 1); }}}) {
        EXPECT_TRUE(raisesNumbered(PlatformErrors::OBJECT_NOT_SET, call, gone)) << name;
    }
    EXPECT_FALSE(facade->RunDiagnostics());
}

TEST_F(Connection, PitchRatiosAreRelativeToX) {
    slides().setPitchRatios(2, 4, 1);
    EXPECT_DOUBLE_EQ(slides().getPitchRatio(0), 0.0);
    EXPECT_DOUBLE_EQ(slides().getPitchRatio(1), 1.0);
    EXPECT_DOUBLE_EQ(slides().getPitchRatio(2), 2.0);
    EXPECT_DOUBLE_EQ(slides().getPitchRatio(3), 0.5);
    EXPECT_DOUBLE_EQ(activeMachine().pitchRatio(2), 2.0);
    EXPECT_TRUE(logged("PitchRatio for Motor2 is 2"));
    EXPECT_EQ(raised([&] { slides().getPitchRatio(9); }).number(), 9);
    EXPECT_EQ(raised([&] { slides().setPitchRatios(0, 4, 1); }).number(), 6);
}

TEST_F(Connection, DatabaseStepLoadsConfigurationPitchesAndDatasets) {
    {
        DbConnection db;
        db.open(install_->file("data/vek.db"));
        db.execute(
            "INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) "
            "VALUES ('SM-20', 20, 200, 80, 900, 1)");
        db.execute("UPDATE Motor SET slideKey = ? WHERE motorKey = 2", {DbValue(db.lastInsertKey())});
    }
    Server server;
    EXPECT_FALSE(server.Configuration());
    EXPECT_FALSE(server.DataSets());
    slides().databaseRelatedInit("  vek.db ");
    EXPECT_TRUE(logged("Loading   vek.db  database."));
    EXPECT_TRUE(logged("Database   vek.db  loaded successfully."));
    ASSERT_TRUE(server.Configuration());
    EXPECT_EQ(server.Configuration(), runtime().configuration);
    ASSERT_TRUE(server.DataSets());
    EXPECT_TRUE(server.DataSets()->GLOBAL_DATASET());
    EXPECT_DOUBLE_EQ(slides().getPitchRatio(2), 2.0);
    EXPECT_DOUBLE_EQ(slides().getPitchRatio(3), 1.0);
}

TEST_F(Connection, NewerDatabaseIsRefused) {
    {
        DbConnection db;
        db.open(install_->file("data/vek.db"));
        db.execute("UPDATE Config SET keyValue = '13' WHERE keyName = 'dbVersion'");
    }
    const auto e = raised([&] { slides().databaseRelatedInit("vek.db"); });
    EXPECT_EQ(e.number(), ErrorCodes::DATABASE_ERROR);
    EXPECT_EQ(e.description().rfind("Incompatible database. [", 0), 0u) << e.description();
    EXPECT_TRUE(loggedStartingWith("You are trying to run an old application with a new database version_"));
}

TEST_F(Connection, OlderDatabaseIsMigratedThenLoaded) {
    slides().databaseRelatedInit("vek_v0.db");
    EXPECT_TRUE(
        logged("Database version_0 is incompatible with the current database version. Migrating to new "
               "database version_12 ..."));
    EXPECT_TRUE(logged("Database migration succeeded. Old database has been backed up. Loading the application..."));
    EXPECT_EQ(runtime().database->Version(), 12);
    EXPECT_TRUE(runtime().configuration);
    EXPECT_TRUE(runtime().dataSets);
    EXPECT_TRUE(logged("Database vek_v0.db loaded successfully."));
}

TEST_F(Connection, AxesWithoutSlideModelKeepRatiosOfOne) {
    {
        DbConnection db;
        db.open(install_->file("data/vek.db"));
        db.execute("UPDATE Motor SET slideKey = 999 WHERE motorKey = 1");
    }
    slides().databaseRelatedInit("vek.db");
    EXPECT_TRUE(logged("Axis X1 has no slide model with a pitch; pitch ratios stay 1."));
    EXPECT_DOUBLE_EQ(slides().getPitchRatio(2), 1.0);
}

TEST_F(Connection, ServersHandOutTheSameSharedObjects) {
    Server a;
    Server b;
    ASSERT_TRUE(a.getLinearSlides());
    EXPECT_EQ(a.getLinearSlides(), b.getLinearSlides());
    EXPECT_EQ(a.logger(), b.logger());
    EXPECT_EQ(a.logger(), runtime().log);
    ASSERT_TRUE(a.Calibration());
    EXPECT_EQ(a.Calibration(), b.Calibration());
    EXPECT_TRUE(a.Coordinates());
    EXPECT_TRUE(a.Measurement());
    EXPECT_TRUE(a.User());
    EXPECT_TRUE(a.Utils());
    EXPECT_TRUE(logged("Init of Server"));
}

}  // namespace
}  // namespace vek::test
