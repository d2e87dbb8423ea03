// The composition of the command layer: Commands and DevCommands take their
// places in start-up (after Calibration, before the validator and the
// façade) through the hook that motion declares, since motion cannot include
// this folder's headers (see src/vek/LAYERS.md). What they need from objects
// made after them comes through providers that read the runtime at each call.
#include "vek/commands/Commands.h"
#include "vek/commands/DevCommands.h"
#include "vek/foundation/Error.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/DataSets.h"

namespace vek {

namespace {

std::shared_ptr<const Error> processValidator() {
    return runtime().error;
}

std::shared_ptr<LinearSlides> processSlides() {
    return runtime().linearSlides;
}

void createCommands() {
    Commands::Sources sources;
    sources.coordinates = [] { return runtime().coordinates; };
    sources.measurement = [] { return runtime().measurement; };
    sources.calibration = [] { return runtime().calibration; };
    sources.validator = processValidator;
    sources.slides = processSlides;
    sources.configuration = [] { return runtime().configuration; };
    sources.dataSets = [] { return runtime().dataSets; };
    // The external I/O of the latest database step: switches of motor 0.
    sources.ioData = [] { return runtime().ioData; };
    sources.singleMotorProgram = [] { return runtime().singleMotorProgram; };
    runtime().commands = std::make_shared<Commands>(std::move(sources));
}

void createDevCommands() {
    runtime().devCommands = std::make_shared<DevCommands>(DevCommands::Sources{processValidator, processSlides});
}

const bool registered = [] {
    registerStartUpPart(StartUpPlace::COMMANDS, {createCommands, [] { runtime().commands.reset(); }});
    registerStartUpPart(StartUpPlace::DEV_COMMANDS, {createDevCommands, [] { runtime().devCommands.reset(); }});
    return true;
}();

}  // namespace

}  // namespace vek
