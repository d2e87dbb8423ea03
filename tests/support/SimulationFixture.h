#pragma once
#include <memory>
#include <string>

#include "support/TempInstall.h"
#include "vek/comm/CommunicationSimulation.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/MotorConstants.h"
#include "vek/motors/MotorSimulation.h"
#include "vek/motors/SimulationHost.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/SlideData.h"
#include "vek/persistence/User.h"

namespace vek::test {

// A started runtime in simulation: the install's database and configuration,
// a simulated channel, and simulated motors registered as the façade's axes
// (runtime().motors, keyed by their number). The user is a developer so that
// the simulation's developer lines reach the log.
class SimulationTest : public VekTest {
protected:
    void SetUp() override {
        VekTest::SetUp();
        runtime().isSimulation = true;
        runtime().isSimulationMute = true;
        runtime().user->setUserRole(UserRoles::DEVELOPER);
        runtime().database = std::make_shared<Database>();
        runtime().database->openDatabase("vek.db");
        runtime().configuration = std::make_shared<Configuration>();
        runtime().motors = std::make_shared<Collection<std::shared_ptr<IMotor>>>();
        channel_ = std::make_shared<CommunicationSimulation>();
    }
    void TearDown() override {
        simulationHost().reset();
        runtime().motors.reset();
        channel_.reset();
        runtime().configuration.reset();
        runtime().database.reset();
        VekTest::TearDown();
    }

    // Axis `id` on its own slide of `strokeMm` and `pitch` mm, registered as
    // the façade's next motor and parked at `at` counts, standing still.
    std::shared_ptr<MotorSimulation> addMotor(int32_t id, int16_t type = MotorConstants::TYPE_SM, double strokeMm = 200,
                                              double pitch = 10, int32_t at = 0) {
        auto slide = std::make_shared<SlideData>();
        slide->setStroke(strokeMm);
        slide->setPitch(pitch);
        slide->setMotorType(type);
        config().motorsData()->item(static_cast<std::size_t>(id))->setSlideData(slide);
        auto motor = std::make_shared<MotorSimulation>();
        motor->init(id, channel_, MotorConstants::MOTOR_ENCODER_COUNT);
        park(*motor, at);
        runtime().motors->add(motor, std::to_string(id));
        return motor;
    }

    // Puts a motor at `position` without a move.
    static void park(MotorSimulation& motor, int32_t position) {
        motor.setRealTimePosition(position);
        motor.StopMotion(false);
    }

    Configuration& config() { return *runtime().configuration; }

    std::shared_ptr<CommunicationSimulation> channel_;
};

}  // namespace vek::test
