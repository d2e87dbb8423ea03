// Arbitrary bytes opened as the install's database file, the way a host's
// start-up opens it (LinearSlides::databaseRelatedInit: open, version check
// and upgrade, configuration, pitch ratios, datasets). The start-up may refuse
// the file with a numbered error; it must neither crash nor hang. Every input
// gets a fresh file, and the file with its backups and journals goes after.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "FuzzSupport.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motion/Runtime.h"
#include "vek/peripherals/Peripherals.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kName = "fuzz.db";

void removeFuzzFiles(const fs::path& folder) {
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        if (entry.path().filename().string().rfind(kName, 0) == 0) fs::remove_all(entry.path(), ec);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static const fs::path folder = [] {
        vek::fuzz::startVek();
        // A fuzzed "ioIP" must never send the I/O device's requests anywhere.
        vek::setIODeviceFactory([](const std::string&, auto) { return nullptr; });
        vek::runtime().linearSlides->setIsSimulation(true);
        vek::runtime().linearSlides->setIsSimulationMute(true);
        return fs::path(vek::fuzz::installFile("data"));
    }();
    {
        std::ofstream out(folder / kName, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    try {
        vek::runtime().linearSlides->databaseRelatedInit(kName);
    } catch (const vek::NumberedError&) {
        // Refused: the file is no database vek can use.
    }
    vek::releaseDatabaseParts();
    vek::runtime().dataSets.reset();
    vek::runtime().configuration.reset();
    vek::runtime().database.reset();
    removeFuzzFiles(folder);
    return 0;
}
