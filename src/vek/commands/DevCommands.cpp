#include "vek/commands/DevCommands.h"

#include "vek/comm/ICommunication.h"
#include "vek/commands/Commands.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/Error.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motion/LinearSlides.h"

namespace vek {

namespace {

ICommunication& channelOf(const LinearSlides& slides) {
    const auto& comm = slides.getCommunication();
    if (!comm || !comm->isOpen())
        throw NumberedError(ErrorCodes::NO_MOTORS_DETECTED, "No connection is open.", Commands::SOURCE);
    return *comm;
}

}  // namespace

DevCommands::DevCommands(Sources sources) : sources_(std::move(sources)) {
    logAt(LogLevel::DEVELOPER, "DevCommands initialized");
}

DevCommands::~DevCommands() {
    logAt(LogLevel::DEVELOPER, "DevCommands terminated");
}

LinearSlides& DevCommands::slides() const {
    const auto s = sources_.slides ? sources_.slides() : nullptr;
    if (!s) raiseShutDown(Commands::SOURCE);
    return *s;
}

void DevCommands::warnExperimental() {
    if (warned_) return;
    logAt(LogLevel::Error,
          "QDXDEV commands are used primarily for experimentations. Please consider using equivalent QDX commands.");
    warned_ = true;
}

void DevCommands::WriteSmartMotorCommand(int16_t motorIndex, const std::string& motorCommand) {
    const auto validator = sources_.validator ? sources_.validator() : nullptr;
    if (!validator) raiseShutDown(Commands::SOURCE);
    try {
        validator->validateAxis(motorIndex);
    } catch (const NumberedError& e) {
        throw NumberedError(e.number(), e.description(), Commands::SOURCE);
    }
    warnExperimental();
    channelOf(slides()).WriteCommand(toText(motorIndex) + motorCommand);
}

std::string DevCommands::ReadSmartMotorResponse() {
    warnExperimental();
    return channelOf(slides()).ReadResponse();
}

}  // namespace vek
