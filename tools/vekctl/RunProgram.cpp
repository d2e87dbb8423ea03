#include "RunProgram.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "Demo.h"
#include "DemoInstall.h"
#include "vek/persistence/DbSavepoint.h"
#include "vek/vek.h"

namespace vekctl {

int runProgram(const RunOptions& options) {
#if defined(VEK_PYTHON_EXECUTABLE) && defined(VEK_PYTHON_DIR)
    const std::string staged = vek::installSubfolder(vek::InstallSubfolder::data);
    if (const std::string problem = prepareHome(options.home, staged); !problem.empty()) {
        std::cerr << "vekctl: " << problem << "\n";
        return Exit::INSTALL;
    }
    // The program's lines and paths are drawn by coordinated motion, which
    // drives SmartMotor axes only: axes 1-3 get such a slide, as for demo.
    try {
        vek::setInstallFolder(options.home);
        vek::Server server;
        server.getLinearSlides()->setIsSimulation(true);
        server.getLinearSlides()->databaseRelatedInit("vek.db");
        vek::DbSavepoint change(*vek::runtime().database->Connection(), "vek_run_axes", true);
        useSmartMotorSlides(std::cout);
        change.commit();
    } catch (const vek::NumberedError& e) {
        std::cerr << "vekctl: cannot load " << options.home << "/data/vek.db (error " << e.number() << ": "
                  << e.description() << ")\n";
        vek::shutDown();
        return Exit::DATABASE;
    }
    vek::shutDown();
    // The build tree's package comes first; an installed vekctl without one
    // finds the package that pip installed.
    std::error_code ec;
    if (std::filesystem::is_directory(VEK_PYTHON_DIR "/vek", ec)) {
        const char* old = std::getenv("PYTHONPATH");
        const std::string path = std::string(VEK_PYTHON_DIR) + (old && *old ? ":" + std::string(old) : "");
        ::setenv("PYTHONPATH", path.c_str(), 1);
    }
    std::vector<std::string> words = {VEK_PYTHON_EXECUTABLE, "-m", "vek", "--home", options.home};
    if (options.realTime) words.emplace_back("--real-time");
    if (!options.port.empty()) {
        words.emplace_back("--port");
        words.push_back(options.port);
    }
    if (options.sound) words.emplace_back("--sound");
    words.push_back(options.script);
    words.insert(words.end(), options.args.begin(), options.args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    std::cout.flush();
    ::execv(argv[0], argv.data());
    std::cerr << "vekctl: cannot start " << VEK_PYTHON_EXECUTABLE << ": " << std::strerror(errno) << "\n";
    return Exit::PYTHON;
#else
    static_cast<void>(options);
    std::cerr << "vekctl: this vekctl was built without the Python module (VEK_BUILD_PYTHON off)\n";
    return Exit::PYTHON;
#endif
}

}  // namespace vekctl
