#include "Session.h"

#include <iostream>
#include <memory>

#include "Demo.h"
#include "DemoInstall.h"
#include "vek/vek.h"

namespace vekctl {

int prepareSession(const std::string& home, bool realTime) {
    const std::string staged = vek::installSubfolder(vek::InstallSubfolder::data);
    if (const std::string problem = prepareHome(home, staged); !problem.empty()) {
        std::cerr << "vekctl: " << problem << "\n";
        return Exit::INSTALL;
    }
    vek::setInstallFolder(home);
    if (!realTime) vek::eventLoop().setClock(std::make_shared<vek::ManualClock>());
    vek::startUp();
    return Exit::OK;
}

int loadSimulatedGantry(const std::string& home, bool sound, bool connect) {
    auto slides = vek::runtime().linearSlides;
    slides->setIsSimulation(true);
    slides->setIsSimulationMute(!sound);
    try {
        slides->databaseRelatedInit("vek.db");
    } catch (const vek::NumberedError& e) {
        std::cerr << "vekctl: cannot load " << home << "/data/vek.db (error " << e.number() << ": " << e.description()
                  << ")\n";
        return Exit::DATABASE;
    }
    if (!connect) return Exit::OK;
    try {
        slides->openConnection(9600, "SIM");
    } catch (const vek::NumberedError& e) {
        std::cerr << "vekctl: cannot open the simulated chain (error " << e.number() << ": " << e.description()
                  << ")\n";
        return Exit::CONNECTION;
    }
    return Exit::OK;
}

}  // namespace vekctl
