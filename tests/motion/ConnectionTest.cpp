// Opening and closing the simulated chain through the façade, the server's
// shared objects and the database step.
#include <gtest/gtest.h>

#include <algorithm>

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
    ASSERT_TRUE(server.DataSets());
    EXPECT_TRUE(server.DataSets()->GLOBAL_DATASET());
    const auto objects = [](const Server& s) {
        return std::vector<const void*>{s.getLinearSlides().get(), s.logger().get(),        s.Calibration().get(),
                                        s.Coordinates().get(),     s.Measurement().get(),   s.User().get(),
                                        s.Utils().get(),           s.Configuration().get(), s.DataSets().get()};
    };
    const auto handedOut = objects(server);
    EXPECT_EQ(std::count(handedOut.begin(), handedOut.end(), nullptr), 0);
    EXPECT_EQ(objects(Server()), handedOut);
    EXPECT_EQ(server.logger(), runtime().log);
    EXPECT_EQ(server.Configuration(), runtime().configuration);

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

}  // namespace
}  // namespace vek::test
