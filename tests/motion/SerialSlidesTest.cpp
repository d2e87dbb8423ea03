// The façade on the real serial stack: the chain emulator behind a
// pseudo-terminal, the serial channel and real motors.
#include <gtest/gtest.h>

#include "SlidesTestFixture.h"
#include "support/ChainFixture.h"
#include "vek/comm/Communication.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/motion/IMotion.h"

namespace vek::test {
namespace {

using emulator::EmulatedMotor;

class SerialSlides : public SlidesTest {
protected:
    void TearDown() override {
        slides().closeConnection();
        emulator_.reset();
        SlidesTest::TearDown();
    }
    // `motors` SmartMotor axes on the emulated chain, opened through the
    // façade with simulation off.
    void connectChain(int motors) {
        load(motors);
        EmulatorOptions options;
        options.motors = motors;
        options.timeScale = 50;
        emulator_ = std::make_unique<ChainEmulator>(options);
        emulator_->start();
        slides().setIsSimulation(false);
        slides().openConnection(9600, emulator_->portPath());
    }
    std::string sent() {
        const std::string bytes = emulator_->received();
        emulator_->clearReceived();
        return wireFrames(bytes);
    }
    std::unique_ptr<ChainEmulator> emulator_;
};

// Opening addresses the chain and makes real motors over the line: the
// all-motors object and each axis send their set-up, SmartMotors their
// brake mode. Moves reach the emulated motors; a developer's traffic log
// lies beside the library's log; coordinated motion refuses for now and
// leaves the chain at 9600; closing releases the port at 9600.
TEST_F(SerialSlides, OpensTheChainAndDrivesItsAxes) {
    connectChain(3);
    EXPECT_TRUE(std::dynamic_pointer_cast<Communication>(slides().getCommunication()));
    EXPECT_EQ(std::to_string(slides().motors()->count()) + " " + motor(3).name() + " " + slides().AllMotors()->name() +
                  " " + std::to_string(slides().getPath()->TIMEDELTA()),
              "3 MotorZ MotorAll 128");
    const std::string wire = sent();
    EXPECT_EQ(wire.substr(wire.find("3SLEEP 0WAKE")),
              "3SLEEP 0WAKE 0F=2 0ZS 0ZS 1F=2 1ZS 1BRKSRV 2F=2 2ZS 2BRKSRV 3F=2 3ZS 3BRKSRV");

    motor(2).goToPosition(1500);
    EXPECT_TRUE(motor(2).WaitForStop());
    motor(3).goToRelativePosition(-700);
    EXPECT_TRUE(motor(3).WaitForStop());
    EXPECT_EQ(positions(), "0 1500 -700");
    EXPECT_NE(readFileText(joinPath(installSubfolder(InstallSubfolder::logs), "mlogs.txt")).find("3 motors addressed"),
              std::string::npos);

    EXPECT_TRUE(raisesNumbered(ErrorCodes::MOTION_INTERRUPTED, [&] { slides().drawLine(at(100, 100, 100)); }));
    slides().getCommunication()->setBaudRate(38400);
    EXPECT_TRUE(raisesNumbered(ErrorCodes::MOTION_INTERRUPTED, [&] { slides().drawLine(at(200, 100, 100)); }));
    EXPECT_EQ(slides().currentBaudRate(), 9600);
    EXPECT_EQ(emulator_->motorBaud(1), 9600);

    slides().getCommunication()->setBaudRate(19200);
    slides().closeConnection();
    EXPECT_EQ(emulator_->motorBaud(3), 9600);
    Communication again;
    EXPECT_NO_THROW(again.OpenPort(emulator_->portPath(), 9600));
}

// The recovery routine runs over the real chain: healthy axes pass at once;
// an axis at its left limit is moved off it.
TEST_F(SerialSlides, DiagnosticsOverTheChain) {
    connectChain(2);
    EXPECT_TRUE(slides().RunDiagnostics());
    emulator_->withMotor(2, [](EmulatedMotor& m) { m.place(-40000); });
    EXPECT_TRUE(slides().RunDiagnostics());
    EXPECT_TRUE(logged("Motor 2 has negative limit problem. Resetting & moving away..."));
    EXPECT_GT(motor(2).position(), -40000);
}

// A chain where nothing answers at any rate connects no motors and raises
// nothing.
TEST_F(SerialSlides, NoMotorsOnTheLine) {
    connectChain(0);
    EXPECT_EQ(slides().motors()->count(), 0u);
    EXPECT_FALSE(slides().AllMotors());
}

}  // namespace
}  // namespace vek::test
