// The composition of the importers, the camera and the load cell:
// DataImporter and Excel take their places in start-up, Vision and External
// theirs in the façade's database step, through the registries that motion
// declares (it cannot include this folder's headers; see src/vek/LAYERS.md).
#include "vek/motion/Runtime.h"
#include "vek/peripherals/DataImporter.h"
#include "vek/peripherals/Excel.h"
#include "vek/peripherals/External.h"
#include "vek/peripherals/Vision.h"
#include "vek/persistence/Configuration.h"

namespace vek {

namespace {

// The load cell's driver library, named by the database's "loadCellDriver"
// setting ("simulated" for the driver built into vek).
std::string loadCellDriverName() {
    const auto& configuration = runtime().configuration;
    return configuration ? configuration->getConfigValue("loadCellDriver", External::DEFAULT_DRIVER)
                         : std::string(External::DEFAULT_DRIVER);
}

const bool registered = [] {
    registerStartUpPart(StartUpPlace::DATA_IMPORTER, {[] { runtime().dataImporter = std::make_shared<DataImporter>(); },
                                                      [] { runtime().dataImporter.reset(); }});
    registerStartUpPart(StartUpPlace::EXCEL,
                        {[] { runtime().excel = std::make_shared<Excel>(); }, [] { runtime().excel.reset(); }});
    registerDatabasePart(DatabasePlace::VISION,
                         {[] { runtime().vision = std::make_shared<Vision>(); }, [] { runtime().vision.reset(); }});
    registerDatabasePart(DatabasePlace::LOAD_CELL,
                         {[] { runtime().external = std::make_shared<External>(loadCellDriverName()); },
                          [] { runtime().external.reset(); }});
    return true;
}();

}  // namespace

}  // namespace vek
