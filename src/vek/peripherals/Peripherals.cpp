// The composition of the peripherals: the operator panel and the external
// I/O take their places in the façade's database step through the registry
// that motion declares, since motion cannot include this folder's headers
// (see src/vek/LAYERS.md).
#include "vek/peripherals/Peripherals.h"

#include "vek/foundation/Convert.h"
#include "vek/foundation/Error.h"
#include "vek/foundation/Log.h"
#include "vek/geometry/Utils.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/IMotor.h"
#include "vek/peripherals/Hmi.h"
#include "vek/peripherals/IODataSimulation.h"
#include "vek/persistence/Configuration.h"

namespace vek {

namespace {

IOData::DeviceFactory& deviceFactory() {
    static IOData::DeviceFactory factory;
    return factory;
}

std::shared_ptr<IMotor> facadeMotor(int16_t index) {
    const auto& slides = runtime().linearSlides;
    if (!slides) return nullptr;
    if (index == 0) return slides->AllMotors();
    const auto& motors = slides->motors();
    if (!motors || index < 1 || static_cast<std::size_t>(index) > motors->count()) return nullptr;
    return motors->item(static_cast<std::size_t>(index));
}

// The configured port of the panel's slave; none (logged) when the value is
// not a port number.
std::optional<int32_t> hmiPort(const Configuration& configuration) {
    const std::string text = trim(configuration.getConfigValue("hmiPort"));
    if (text.empty()) return 502;
    if (isNumeric(text)) {
        const double port = toDouble(text);
        if (port >= 0 && port <= 65535 && port == static_cast<int32_t>(port)) return static_cast<int32_t>(port);
    }
    logAt(LogLevel::Error, "HMI TCP Connection failed");
    logAt(LogLevel::Error, "The configuration value hmiPort \"" + text + "\" is not a port number.");
    return std::nullopt;
}

void createHmi() {
    Runtime& rt = runtime();
    auto hmi = std::make_shared<Hmi>(rt.database, Hmi::Machine{rt.error, facadeMotor});
    logAt(LogLevel::DEVELOPER, "Initializing Modbus control");
    if (const auto port = hmiPort(*rt.configuration)) hmi->openSlave(*port);
    if (!(rt.utils && rt.utils->isRunningInsideIDE())) hmi->initialize();
    rt.hmi = std::move(hmi);
}

void createIOData() {
    Runtime& rt = runtime();
    if (val(rt.configuration->getConfigValue("softwareMotors")) != 0)
        rt.ioData = std::make_shared<IODataSimulation>(rt.database, *rt.configuration);
    else
        rt.ioData = std::make_shared<IOData>(rt.database, *rt.configuration, deviceFactory());
}

const bool registered = [] {
    // A host may keep the objects past shut-down: they let go of the port,
    // the device and the database now and refuse any later use.
    registerDatabasePart(DatabasePlace::HMI, {createHmi, [] {
                                                  if (auto& hmi = runtime().hmi) hmi->shutDown();
                                                  runtime().hmi.reset();
                                              }});
    registerDatabasePart(DatabasePlace::IO_DATA, {createIOData, [] {
                                                      if (auto& io = runtime().ioData) io->shutDown();
                                                      runtime().ioData.reset();
                                                  }});
    return true;
}();

}  // namespace

void setIODeviceFactory(IOData::DeviceFactory factory) {
    deviceFactory() = std::move(factory);
}

}  // namespace vek
