#pragma once
#include <memory>
#include <string>

#include "support/TempInstall.h"
#include "vek/comm/CommunicationSimulation.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/MotorConstants.h"
#include "vek/motors/MotorContext.h"
#include "vek/motors/MotorSimulation.h"
#include "vek/motors/SimulatedChain.h"
#include "vek/motors/SimulationHost.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/SlideData.h"
#include "vek/persistence/User.h"

namespace vek::test {

// Simulated motors without the façade: the install's database and
// configuration, a simulated chain over the axes made here, and the motion
// flags they share (sound muted). The user is a developer so that the
// simulation's developer lines reach the log.
class SimulationTest : public DeveloperTest {
protected:
    void SetUp() override {
        DeveloperTest::SetUp();
        database_ = std::make_shared<Database>();
        database_->openDatabase("vek.db");
        configuration_ = std::make_shared<Configuration>(database_);
        motors_ = std::make_shared<MotorCollection>();
        flags_ = std::make_shared<MotionFlags>();
        flags_->isSimulationMute = true;
        channel_ = std::make_shared<CommunicationSimulation>(std::make_shared<SimulatedChain>(motors_, configuration_));
    }
    void TearDown() override {
        simulationHost().reset();
        motors_.reset();
        channel_.reset();
        configuration_.reset();
        database_.reset();
        DeveloperTest::TearDown();
    }

    // What the façade would hand motor `id`.
    MotorContext context(const std::string& name = {}) const {
        return MotorContext{name, configuration_, motors_, flags_};
    }

    // Axis `id` on its own slide of `strokeMm` and `pitch` mm, added to the
    // axes and parked at `at` counts, standing still.
    std::shared_ptr<MotorSimulation> addMotor(int32_t id, int16_t type = MotorConstants::TYPE_SM, double strokeMm = 200,
                                              double pitch = 10, int32_t at = 0) {
        auto slide = std::make_shared<SlideData>();
        slide->setStroke(strokeMm);
        slide->setPitch(pitch);
        slide->setMotorType(type);
        config().motorsData()->item(static_cast<std::size_t>(id))->setSlideData(slide);
        auto motor = std::make_shared<MotorSimulation>();
        motor->init(id, channel_, MotorConstants::MOTOR_ENCODER_COUNT, context());
        park(*motor, at);
        motors_->add(motor, std::to_string(id));
        return motor;
    }

    // Puts a motor at `position` without a move.
    static void park(MotorSimulation& motor, int32_t position) {
        motor.setRealTimePosition(position);
        motor.StopMotion(false);
    }

    Configuration& config() { return *configuration_; }

    std::shared_ptr<Database> database_;
    std::shared_ptr<Configuration> configuration_;
    std::shared_ptr<MotorCollection> motors_;
    std::shared_ptr<MotionFlags> flags_;
    std::shared_ptr<CommunicationSimulation> channel_;
};

}  // namespace vek::test
