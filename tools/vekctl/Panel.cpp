#include "Panel.h"

#include <csignal>
#include <cstdio>
#include <exception>
#include <iomanip>
#include <iostream>

#include "Demo.h"
#include "DemoInstall.h"
#include "vek/vek.h"

namespace vekctl {

namespace {

volatile std::sig_atomic_t stopRequested = 0;

void requestStop(int) {
    stopRequested = 1;
}

std::string describe(const std::exception& e) {
    if (auto* n = dynamic_cast<const vek::NumberedError*>(&e))
        return "error " + std::to_string(n->number()) + ": " + n->description();
    return e.what();
}

// The install folder prepared and the database loaded on the simulated
// gantry, in wall-clock time; an Exit code other than OK on failure.
int load(const std::string& home) {
    const std::string staged = vek::installSubfolder(vek::InstallSubfolder::data);
    if (const std::string problem = prepareHome(home, staged); !problem.empty()) {
        std::cerr << "vekctl: " << problem << "\n";
        return Exit::INSTALL;
    }
    vek::setInstallFolder(home);
    vek::Server server;
    server.getLinearSlides()->setIsSimulation(true);
    server.getLinearSlides()->setIsSimulationMute(true);
    try {
        server.getLinearSlides()->databaseRelatedInit("vek.db");
    } catch (const std::exception& e) {
        std::cerr << "vekctl: cannot load " << home << "/data/vek.db (" << describe(e) << ")\n";
        return Exit::DATABASE;
    }
    return Exit::OK;
}

void printWrite(int16_t block, int16_t index, int32_t value) {
    std::cout << (block == vek::HmiBlocks::BINARY ? "binary " : "register ") << index << " = " << value << std::endl;
}

}  // namespace

int runPanel(const PanelOptions& options) {
    if (const int code = load(options.home); code != Exit::OK) return code;
    auto slides = vek::Server().getLinearSlides();
    try {
        slides->openConnection(9600, "SIM");
    } catch (const std::exception& e) {
        std::cerr << "vekctl: cannot open the simulated chain (" << describe(e) << ")\n";
        return Exit::CONNECTION;
    }
    auto hmi = vek::Server().Hmi();
    if (options.port >= 0 && !hmi->openSlave(options.port)) {
        std::cerr << "vekctl: the panel cannot listen on port " << options.port << " (see logs/logs.txt)\n";
        return Exit::PANEL;
    }
    if (hmi->port() == 0) {
        std::cerr << "vekctl: the panel cannot listen on its configured port (hmiPort, 502 unless set; see "
                     "logs/logs.txt); give --port\n";
        return Exit::PANEL;
    }
    hmi->dataReceived.connect([](int16_t& block, int16_t& index, int32_t& value) { printWrite(block, index, value); });
    std::signal(SIGINT, requestStop);
    std::signal(SIGTERM, requestStop);
    std::cout << "Serving the panel on port " << hmi->port() << " with " << slides->motors()->count()
              << " simulated axes: binary i is coil i+1, register i the holding registers 2i+1 (high word) and "
                 "2i+2 (low word), i = 0..259. Ctrl+C stops."
              << std::endl;
    const double end = vek::eventLoop().now() + options.seconds;
    while (!stopRequested && (options.seconds < 0 || vek::eventLoop().now() < end)) vek::eventLoop().wait(0.05);
    std::cout << "Panel stopped." << std::endl;
    return Exit::OK;
}

int runIo(const std::string& home) {
    if (const int code = load(home); code != Exit::OK) return code;
    auto io = vek::Server().IOData();
    const bool simulated = std::dynamic_pointer_cast<vek::IODataSimulation>(io) != nullptr;
    if (simulated) {
        std::cout << "External I/O: simulated (softwareMotors is not 0)\n";
    } else {
        std::cout << "External I/O: device " << (io->ioIP().empty() ? "(no ioIP configured)" : io->ioIP())
                  << (io->externalDeviceFound() ? ", found" : ", not found") << "; " << io->ioInBlocks()
                  << " input blocks, " << io->ioOutBlocks() << " output blocks\n";
    }
    const auto names = io->ioTypeNames();
    std::size_t listed = 0;
    for (int16_t type : {vek::IOTypes::DIGITAL_INPUT, vek::IOTypes::DIGITAL_OUTPUT}) {
        int16_t position = 0;
        for (const auto& point : *io->ios(type)) {
            ++position;
            ++listed;
            // The simulation counts positions, the device I/O numbers.
            const int16_t n = simulated ? position : point->number();
            std::string state = "unknown (no device)";
            if (simulated || io->externalDeviceFound()) {
                const bool on = type == vek::IOTypes::DIGITAL_INPUT ? io->getInputState(n) : io->getOutputState(n);
                state = on ? "on" : "off";
            }
            std::cout << std::left << std::setw(15) << names[type] << std::right << std::setw(4) << point->number()
                      << "  " << std::left << std::setw(24) << point->name() << state << "\n";
        }
    }
    if (listed == 0) std::cout << "No inputs or outputs are configured (table IO is empty).\n";
    return Exit::OK;
}

}  // namespace vekctl
