// The façade on the real serial stack: the chain emulator behind a
// pseudo-terminal, the serial channel and real motors.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

#include "SlidesTestFixture.h"
#include "support/ChainFixture.h"
#include "support/Each.h"
#include "vek/comm/Communication.h"
#include "vek/comm/engine/MotorEngine.h"
#include "vek/foundation/EventLoop.h"
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
    void connectChain(int motors, double timeScale = 50) {
        load(motors);
        emulator_ = std::make_unique<ChainEmulator>(EmulatorOptions{.motors = motors, .timeScale = timeScale});
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
// lies beside the library's log; closing releases the port at 9600.
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

// Coordinated motion streamed in host mode over the emulated chain: the
// axes take every trajectory point (one per time step, none missing, no
// underrun), the stream runs at 38400 and the chain ends at 9600.
class Streaming : public SerialSlides {
protected:
    void SetUp() override {
        SerialSlides::SetUp();
        connectChain(3, 1);
        // Short time steps keep the runs short; a point still fits the line.
        slides().getPath()->setTIMEDELTA(32);
    }
    // Whether every axis took exactly the trajectory's points, in order.
    std::string followed() {
        const auto& nodes = *slides().getPath()->nodes();
        std::string text;
        for (int16_t axis = 1; axis <= 3; ++axis) {
            const auto played = emulator_->playedPositions(axis);
            int32_t worst = played.size() == nodes.count() ? 0 : 1 << 30;
            for (std::size_t j = 0; j < played.size() && j < nodes.count(); ++j) {
                const int32_t want = nodes.item(static_cast<int32_t>(j + 1))->systemAxis(axis);
                worst = std::max(worst, std::abs(played[j] - want));
            }
            text += (axis > 1 ? " " : "") + std::to_string(worst) + "/" + std::to_string(emulator_->underruns(axis));
        }
        return text + " @" + std::to_string(emulator_->motorBaud(1));
    }
    // The points the engine has put on the line in this stream.
    int64_t pointFrames() { return slides().getCommunication()->getObject()->pointsWritten(); }
};

TEST_F(Streaming, LinesAndRoundedPolylinesAreFollowedPointForPoint) {
    sent();
    slides().drawLine(at(3000, -2000, 1000));
    EXPECT_EQ(followed(), "0/0 0/0 0/0 @9600");
    EXPECT_EQ(positions(), "3000 -2000 1000");
    std::string wire = sent();
    wire = wire.substr(wire.find("0BAUD38400"));
    EXPECT_EQ(wire.substr(0, wire.find(" 0HP")), "0BAUD38400 0HM3 0ZS 0HA@@@ 0HT0");
    EXPECT_NE(wire.find(" 0HT32 "), std::string::npos);
    EXPECT_EQ(wire.substr(wire.find(" 0HE")), " 0HE 0BAUD9600 0ZS 1RP 2RP 3RP");
    slides().drawPath(polyline({at(3000, -2000, 1000), at(9000, -2000, 1000), at(9000, 4000, 0), at(0, 0, 0)}), 5.0,
                      0.01, true, 1500);
    EXPECT_GT(slides().getPath()->size(), 40);
    EXPECT_EQ(followed(), "0/0 0/0 0/0 @9600");
    EXPECT_EQ(positions(), "0 0 0");
    // Fewer points than the motors' start threshold need the explicit run;
    // fewer than two (no speed) send nothing.
    slides().drawLine(at(60, 0, 0));
    EXPECT_LT(slides().getPath()->size(), 8);
    EXPECT_TRUE(loggedStartingWith(messages(), "Sending explicity run command since path.nodes.count = "));
    EXPECT_EQ(followed(), "0/0 0/0 0/0 @9600");
    sent();
    slides().drawLine(at(600, 0, 0), nullptr, 0.0);
    EXPECT_TRUE(logged("Path doesn't have sufficient (>=2) node values. Check that the speed is greater than zero."));
    EXPECT_EQ(sent().find("0H"), std::string::npos);
}

// The motion event comes after the point the percentage names; a pause
// while point 7 goes out repeats point 7 (unchanged positions, no time)
// until resumed.
TEST_F(Streaming, TriggerAndPause) {
    std::string seen;
    slides().getMotion()->motionEvent.connect(
        [&](std::string& name) { seen += name + "@" + std::to_string(pointFrames()) + " "; });
    for (const double percent : {25.0, 50.0, 100.0}) {
        emulator_->clearReceived();
        seen.clear();
        const int32_t x = percent == 50.0 ? 0 : 4000;
        slides().drawPath(polyline({at(4000 - x, 0, 0), at(x, 0, 0)}, "p"), 5.0, 0.01, true, 0.0, percent);
        EXPECT_EQ(seen, "p@" + std::to_string(IMotion::triggerIndex(percent, slides().getPath()->size())) + " ");
    }
    int pumped = 0;
    eventLoop().setHostPump([&] {
        ++pumped;
        if (pumped == 7) slides().PauseMotion(true);
        if (pumped == 12) slides().PauseMotion(false);
    });
    sent();
    slides().drawLine(at(0, 3000, 0));
    eventLoop().setHostPump(nullptr);
    const std::string wire = sent();
    const auto& nodes = *slides().getPath()->nodes();
    const auto played = emulator_->playedPositions(2);
    ASSERT_EQ(played.size(), nodes.count() + 5);
    EXPECT_EQ(std::vector<int32_t>(played.begin() + 6, played.begin() + 12), std::vector<int32_t>(6, played[6]));
    EXPECT_EQ(played[6], nodes.item(7)->systemAxis(2));
    EXPECT_NE(wire.find(" 0HP@@@ 0HP@@@ 0HP@@@ 0HP@@@ 0HP@@@ 0HP"), std::string::npos) << wire;
    EXPECT_EQ(wire.find("0HT", wire.find("0HT32") + 1), std::string::npos);
    EXPECT_EQ(std::to_string(emulator_->underruns(2)) + " @" + std::to_string(emulator_->motorBaud(2)), "0 @9600");
}

// A Dravo in front refuses the path with nothing sent; a Dravo at the end
// stays out of the stream (two axes written, the third forwards).
TEST_F(Streaming, Dravos) {
    const auto reconnect = [&](int axis) {
        execute("UPDATE Motor SET slideKey = 4 WHERE motorKey = ?", {axis});  // a JP65 slide
        runtime().configuration->reload();
        slides().openConnection(9600, emulator_->portPath());
        slides().getPath()->setTIMEDELTA(32);
    };
    reconnect(3);
    emulator_->clearReceived();
    slides().drawLine(at(1000, 2000, 0));
    std::string wire = sent();
    wire = wire.substr(wire.find("0BAUD38400"));
    EXPECT_EQ(wire.substr(0, wire.find(" 0HT0")), "0BAUD38400 0HM2 0ZS 0HA@@");
    EXPECT_EQ(emulator_->playedPositions(3).size(), 0u);
    EXPECT_EQ(positions().substr(0, 9), "1000 2000");
    reconnect(1);
    sent();
    slides().drawLine(at(0, 0, 0));
    EXPECT_TRUE(logged("For coordinated motion all Dravos must be connected at the end of the daisy chain."));
    EXPECT_EQ(sent().find("0H"), std::string::npos);
}

// Whatever breaks a stream (a stop, a cut line, motors that stop
// acknowledging, a host too slow to keep the buffers filled) ends it with
// error 8 and the chain at 9600; the next line is followed again.
TEST_F(Streaming, EachStreamFaultEndsAt9600AndTheNextPathWorks) {
    using Arm = std::function<void()>;
    int pumped = 0;
    const auto run = [&](const Arm& arm) {
        pumped = 0;
        eventLoop().setHostPump([&] {
            if (++pumped == 10) arm();
        });
        const NumberedError e = raised([&] { slides().drawLine(at(pumped % 2 ? 6000 : 6001, 0, 0)); });
        eventLoop().setHostPump(nullptr);
        std::string text = std::to_string(e.number()) + " " + e.description();
        text = text.substr(0, text.find_first_of("0123456789", 20)) + " @" +
               std::to_string(slides().currentBaudRate()) + "/" + std::to_string(emulator_->motorBaud(3));
        slides().drawLine(at(0, 100, 0));
        return text + " then " + followed();
    };
    EXPECT_EQ(each<Arm>({[&] { slides().stopMotors(true); }, [&] { emulator_->cutAfter(3); },
                         [&] { emulator_->stopCredits(); },
                         [&] { std::this_thread::sleep_for(std::chrono::milliseconds(400)); }},
                        run),
              "8 RunPath Error->Motion stopped at point  @9600/9600 then 0/0 0/0 0/0 @9600|"
              "8 RunPath Error->Wrong echo of  @9600/9600 then 0/0 0/0 0/0 @9600|"
              "8 RunPath Error->The motors did not take point  @9600/9600 then 0/0 0/0 0/0 @9600|"
              "8 RunPath Error->The motors ran out of points  @9600/9600 then 0/0 0/0 0/0 @9600");
}

}  // namespace
}  // namespace vek::test
