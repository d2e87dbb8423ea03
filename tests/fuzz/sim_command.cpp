// Command texts on the simulated channel, as the motor objects of a host send
// them ("1P=5000", "0RBt", "2O3=1"): each line of the input is one command to
// a gantry of three simulated axes (a SmartMotor, then JP and GZ types of the
// Dravo family) under the manual clock, after which the axes run a few
// simulation ticks. Every input starts on freshly made axes, so that a
// finding replays on its own.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "vek/comm/CommunicationSimulation.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motors/MotorConstants.h"
#include "vek/motors/MotorContext.h"
#include "vek/motors/MotorSimulation.h"
#include "vek/motors/SimulatedChain.h"
#include "vek/motors/SimulationHost.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/SlideData.h"

namespace {

using namespace vek;

class Gantry {
public:
    Gantry() {
        fuzz::startVek();
        configuration_ = std::make_shared<Configuration>(fuzz::openDatabase());
        const int16_t types[] = {MotorConstants::TYPE_SM, MotorConstants::TYPE_JP, MotorConstants::TYPE_GZ};
        for (std::size_t id = 1; id <= 3; ++id) {
            auto slide = std::make_shared<SlideData>();
            slide->setStroke(200);
            slide->setPitch(10);
            slide->setMotorType(types[id - 1]);
            configuration_->motorsData()->item(id)->setSlideData(slide);
        }
        flags_->isSimulationMute = true;
        channel_ = std::make_shared<CommunicationSimulation>(std::make_shared<SimulatedChain>(axes_, configuration_));
    }

    // Three axes standing still at 1000, 2000 and 3000 counts.
    void freshAxes() {
        simulationHost().reset();
        axes_->clear();
        for (int32_t id = 1; id <= 3; ++id) {
            auto motor = std::make_shared<MotorSimulation>();
            motor->init(id, channel_, MotorConstants::MOTOR_ENCODER_COUNT,
                        MotorContext{{}, configuration_, axes_, flags_});
            motor->setRealTimePosition(1000 * id);
            motor->StopMotion(false);
            axes_->add(motor, std::to_string(id));
        }
    }

    CommunicationSimulation& channel() { return *channel_; }

private:
    std::shared_ptr<Configuration> configuration_;
    std::shared_ptr<MotorCollection> axes_ = std::make_shared<MotorCollection>();
    std::shared_ptr<MotionFlags> flags_ = std::make_shared<MotionFlags>();
    std::shared_ptr<CommunicationSimulation> channel_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static Gantry gantry;
    gantry.freshAxes();
    for (const std::string& command : fuzz::lines(data, size, 16)) {
        // A numbered error is the channel's answer to a bad command; anything
        // else leaving it is a fault.
        try {
            gantry.channel().WriteCommand(command);
            while (!gantry.channel().ReadResponse().empty()) {
            }
        } catch (const NumberedError&) {
        }
    }
    eventLoop().wait(0.05);
    return 0;
}
