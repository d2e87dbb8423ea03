// Stored configuration text read back as numbers: the input is stored as the
// "unit", "cycleCount" and "softwareMotors" values, read back from the file,
// and converted by the getters that take them as numbers. The text must come
// back unchanged; a conversion may only fail with a numbered error.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "FuzzSupport.h"
#include "vek/comm/CommunicationSimulation.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motors/SimulatedChain.h"
#include "vek/persistence/Configuration.h"

namespace {

using namespace vek;

template <typename F>
void readAsNumber(F&& read) {
    try {
        (void)read();
    } catch (const NumberedError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    // Made once and kept for the life of the process; the simulated chain
    // reads the number of its axes from the configuration.
    static const auto* const vekObjects = [] {
        fuzz::startVek();
        auto configuration = std::make_shared<Configuration>(fuzz::openDatabase());
        auto chain = std::make_shared<SimulatedChain>(std::weak_ptr<const MotorCollection>{}, configuration);
        return new std::pair(configuration, std::make_shared<CommunicationSimulation>(chain));
    }();
    Configuration& config = *vekObjects->first;
    CommunicationSimulation* channel = vekObjects->second.get();
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const char* key : {"unit", "cycleCount", "softwareMotors"}) config.storeConfigValue(key, text);
    config.loadConfigValues();
    if (config.getConfigValue("unit") != text) fuzz::fail("a stored configuration value came back changed");
    readAsNumber([&] { return config.unit(); });
    readAsNumber([&] { return config.cycleCount(); });
    readAsNumber([&] { return config.gridIncrement(); });
    readAsNumber([&] { return channel->initMotors(); });
    return 0;
}
