// The composition of the programs layer: ProgramData (after Measurement)
// and SingleMotorProgram (after Calibration) take their places in start-up
// through the hook that motion declares, since motion cannot include this
// folder's headers (see src/vek/LAYERS.md). Both are made before the façade,
// so they reach it, and the configuration it loads, through providers that
// read the runtime at each call.
#include <memory>

#include "vek/motion/LinearSlides.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/Configuration.h"
#include "vek/programs/ProgramData.h"
#include "vek/programs/SingleMotorProgram.h"

namespace vek {

namespace {

std::shared_ptr<LinearSlides> processSlides() {
    return runtime().linearSlides;
}

std::shared_ptr<const MotorCollection> processAxes() {
    const auto slides = processSlides();
    return slides ? slides->motors() : nullptr;
}

void createProgramData() {
    runtime().programData = std::make_shared<ProgramData>(
        ProgramData::Sources{processAxes, [] { return runtime().configuration; }}, runtime().measurement);
}

const bool registered = [] {
    registerStartUpPart(StartUpPlace::PROGRAM_DATA, {createProgramData, [] { runtime().programData.reset(); }});
    registerStartUpPart(StartUpPlace::SINGLE_MOTOR_PROGRAM,
                        {[] { runtime().singleMotorProgram = std::make_shared<SingleMotorProgram>(processSlides); },
                         [] { runtime().singleMotorProgram.reset(); }});
    return true;
}();

}  // namespace

}  // namespace vek
