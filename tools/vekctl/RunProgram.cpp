#include "RunProgram.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "Demo.h"
#include "DemoInstall.h"
#include "vek/foundation/InstallFolder.h"

namespace vekctl {

int runProgram(const RunOptions& options) {
#if defined(VEK_PYTHON_EXECUTABLE) && defined(VEK_PYTHON_DIR)
    const std::string staged = vek::installSubfolder(vek::InstallSubfolder::data);
    if (const std::string problem = prepareHome(options.home, staged); !problem.empty()) {
        std::cerr << "vekctl: " << problem << "\n";
        return Exit::INSTALL;
    }
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
