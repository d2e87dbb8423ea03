// vekctl: the command-line host of vek.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <limits>
#include <string>
#include <type_traits>
#include <vector>

#include "CommandShell.h"
#include "Demo.h"
#include "DemoInstall.h"
#include "Migrate.h"
#include "Peripherals.h"
#include "vek/motion/Runtime.h"

namespace {

const char* const kHelp = R"(Usage: vekctl [--help] <command> [options]

Commands:
  demo     Run the simulated gantry end to end: three simulated axes on the
           install's database are homed, then a stored rounded polyline
           (dataset Demo, path RoundedSquare, stored on first use) and a
           helical arc are drawn with a live progress bar; the final axis
           positions are printed and the commanded path and the positions the
           axes actually took are drawn into an SVG picture. Each of axes 1-3
           without a SmartMotor slide model gets the model SM23-DEMO in the
           database (coordinated motion drives SmartMotor axes only).
  commands Call the command layer of user programs by name on the simulated
           gantry of the install's database: a prompt (tab completes
           command names, 'help' lists them with their arguments, Ctrl-D
           leaves), or the lines given with -c, run in order within one
           session of the library. A line reads as in a user program: the
           command's name, then its arguments separated by commas
           (DoPositionMove 1, 10, 5, 5); text in double quotes keeps its
           commas; stored points and paths go by name ("name" or
           "Dataset.name"). The commands' display texts are printed as they
           come, results after "= ", failures as "error N: text". Ctrl-C
           while a command runs stops the program and the motors.
  migrate  Upgrade an older database file to the current schema, as
           start-up does: a dated backup first, then one step per version.
           Without --file, a fresh copy of the shipped version-0 example
           data/vek_v0.db is made as data/vek-v0-example.db in the install
           folder (replaced on every run) and upgraded.
  import FILE
           Print the points a drawing (.dxf: its lines, end to end), a
           workbook (.xls: the first sheet, a column per axis) or a text
           table (.txt, with a header line) gives on the simulated gantry of
           the install's database: counts of axes 1-3, then the configured
           user unit; the last line says "N points".
  vision HOST PORT [CELL...]
           Connect to a Cognex camera in native mode, trigger an acquisition
           (SE8) and print the cells asked for (A5: column A, row 5), with
           every answer the camera gives. With --dvt, a DVT camera: each
           CELL is a key sent as it is. (`camera` is another name for it.)
  loadcell Configure a load-cell channel for a bridge sensor and print its
           reading, through the driver library the database's
           "loadCellDriver" setting names (default libinet32.so; "simulated"
           for the driver built into vek, which reads an unloaded cell).

Options of demo:
  --svg FILE     where to write the picture (default: vek-demo.svg in the
                 current folder)
  --home DIR     install folder to work in (default: see Environment);
                 created on first use from the staged data folder. An
                 existing database is never overwritten.
  --real-time    let machine time pass in wall-clock time (default: virtual
                 time, the whole run takes well under a second)
  --sound        play the motion sound while axes move
  --quiet        no progress bars

Options of commands:
  -c LINE        run LINE (repeatable; the first failure ends the run);
                 without -c, lines come from the prompt, or one per line
                 from standard input when that is no terminal
  --home DIR     install folder, as for demo
  --real-time    let machine time pass in wall-clock time (default: virtual
                 time, a wait for a move returns at once)
  --sound        play the motion sound while axes move

Options of migrate:
  --home DIR     install folder, as for demo
  --file NAME    database file in the install's data folder to upgrade (a
                 name that leads out of the data folder is refused)

Options of import:
  --store DATASET.PATH  also store the points as a new path PATH of
                 DATASET (made when missing)
  --home DIR     install folder, as for demo

Options of vision:
  --dvt          DVT mode
  --login USER PASSWORD  log in after connecting
  --no-trigger   read the cells without acquiring an image first
  --timeout S    seconds a command waits for its answer (default 10)
  --home DIR     install folder (for the log), as for demo

Options of loadcell:
  --driver NAME  driver library (a file name searched as the dynamic loader
                 searches, or a path) instead of the database's setting
  --device N, --channel N  where the cell is (default 1 and 1)
  --offset F, --scale F    calibration (default 0 and 2.204)
  --readings N   how many readings to print (default 1)
  --home DIR     install folder, as for demo

Environment:
  VEK_HOME       install folder when --home is not given
  XDG_DATA_HOME  without VEK_HOME: the install folder is $XDG_DATA_HOME/vek
                 (an absolute path; a relative one is ignored)
  HOME           without both: the install folder is ~/.local/share/vek
  With none of the three set and no --home, vekctl refuses to run.

Exit codes:
  0  success
  1  usage error (unknown command or option, missing value, a --file
     outside the data folder, no install folder known)
  2  the install folder could not be created or filled
  3  the database could not be loaded or upgraded, or the demo path not
     stored
  4  the simulated chain could not be opened (or did not show three axes)
  5  homing failed
  6  drawing a path failed
  7  the SVG picture could not be written
  8  standard output could not be written (a full disk, for example)
  9  a command of `commands` failed with a numbered error; the camera
     reported a failed trigger; the load cell could not be configured
  10 import: the file gave no points (unknown ending, damaged or missing
     file; the cause is printed as a warning)
  (`commands` uses 1 also for a line that is no command or lacks
  arguments, 3 and 4 when the database or the simulated chain cannot be
  opened; import 3 also when the points could not be stored; vision 4 when
  the camera cannot be reached or hangs up)
)";

int usage(const std::string& problem) {
    std::cerr << "vekctl: " << problem << "\nTry 'vekctl --help'.\n";
    return vekctl::Exit::USAGE;
}

// No --home and no folder from the environment: refuse rather than guess one.
int noHome() {
    return usage("no install folder: give --home, or set VEK_HOME, XDG_DATA_HOME or HOME");
}

// A help text or report that never reached standard output is a failure of
// its own: flushes what is pending and says so when writing failed.
int finishOutput(int code) {
    errno = 0;
    std::cout.flush();
    const bool flushed = std::fflush(stdout) == 0;
    const int error = errno;
    if (flushed && !std::ferror(stdout) && std::cout.good()) return code;
    std::cerr << "vekctl: cannot write to standard output"
              << (error ? std::string(" (") + std::strerror(error) + ")" : "") << "\n";
    return code == vekctl::Exit::OK ? vekctl::Exit::OUTPUT : code;
}

// The text after option argv[i], stepping over it; empty when missing.
std::string optionValue(int argc, char** argv, int& i) {
    return i + 1 < argc ? std::string(argv[++i]) : std::string();
}

int migrate(int argc, char** argv) {
    vekctl::MigrateOptions options;
    options.home = vekctl::defaultHome();
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--home") {
            options.home = optionValue(argc, argv, i);
            if (options.home.empty()) return usage("--home needs a folder");
        } else if (arg == "--file") {
            options.file = optionValue(argc, argv, i);
            if (options.file.empty()) return usage("--file needs a file name");
        } else {
            return usage("unknown option '" + arg + "'");
        }
    }
    if (options.home.empty()) return noHome();
    return vekctl::runMigrate(options);
}

int commands(int argc, char** argv) {
    vekctl::CommandsOptions options;
    options.home = vekctl::defaultHome();
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-c") {
            if (i + 1 >= argc) return usage("-c needs a command line");
            options.lines.emplace_back(argv[++i]);
        } else if (arg == "--home") {
            options.home = optionValue(argc, argv, i);
            if (options.home.empty()) return usage("--home needs a folder");
        } else if (arg == "--real-time") {
            options.realTime = true;
        } else if (arg == "--sound") {
            options.sound = true;
        } else {
            return usage("unknown option '" + arg + "'");
        }
    }
    if (options.home.empty()) return noHome();
    const int code = vekctl::runCommands(options);
    vek::shutDown();
    return code;
}

// `text` as a number of type T, or false when it is none (or, for a whole
// number type, not whole or out of its range).
template <typename T>
bool parseNumber(const std::string& text, T& into) {
    try {
        std::size_t used = 0;
        const double value = std::stod(text, &used);
        if (used != text.size()) return false;
        if constexpr (std::is_integral_v<T>) {
            if (value < std::numeric_limits<T>::min() || value > std::numeric_limits<T>::max()) return false;
        }
        into = static_cast<T>(value);
        return std::is_floating_point_v<T> || static_cast<double>(into) == value;
    } catch (const std::exception&) {
        return false;
    }
}

// A number option's value, stepping over it.
template <typename T>
bool numberValue(int argc, char** argv, int& i, T& into) {
    return parseNumber(optionValue(argc, argv, i), into);
}

int import(int argc, char** argv) {
    vekctl::ImportOptions options;
    options.home = vekctl::defaultHome();
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--store") {
            options.store = optionValue(argc, argv, i);
            if (options.store.empty()) return usage("--store needs DATASET.PATH");
        } else if (arg == "--home") {
            options.home = optionValue(argc, argv, i);
            if (options.home.empty()) return usage("--home needs a folder");
        } else if (arg.starts_with("--") || !options.file.empty()) {
            return usage("unknown option '" + arg + "'");
        } else {
            options.file = arg;
        }
    }
    if (options.file.empty()) return usage("import needs a file");
    if (options.home.empty()) return noHome();
    const int code = vekctl::runImport(options);
    vek::shutDown();
    return code;
}

int vision(int argc, char** argv) {
    vekctl::VisionOptions options;
    options.home = vekctl::defaultHome();
    std::vector<std::string> positional;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--dvt") {
            options.dvt = true;
        } else if (arg == "--no-trigger") {
            options.trigger = false;
        } else if (arg == "--login") {
            options.user = optionValue(argc, argv, i);
            options.password = optionValue(argc, argv, i);
            if (options.user.empty() || options.password.empty()) return usage("--login needs a user and a password");
        } else if (arg == "--timeout") {
            if (!numberValue(argc, argv, i, options.timeout) || !(options.timeout > 0))
                return usage("--timeout needs a number of seconds");
        } else if (arg == "--home") {
            options.home = optionValue(argc, argv, i);
            if (options.home.empty()) return usage("--home needs a folder");
        } else if (arg.starts_with("--")) {
            return usage("unknown option '" + arg + "'");
        } else {
            positional.push_back(arg);
        }
    }
    if (positional.size() < 2) return usage("vision needs a host and a port");
    int port = 0;
    if (!parseNumber(positional[1], port) || port < 1 || port > 65535) return usage("the port is 1 to 65535");
    options.host = positional[0];
    options.port = static_cast<int16_t>(port);
    options.cells.assign(positional.begin() + 2, positional.end());
    if (options.home.empty()) return noHome();
    const int code = vekctl::runVision(options);
    vek::shutDown();
    return code;
}

int loadCell(int argc, char** argv) {
    vekctl::LoadCellOptions options;
    options.home = vekctl::defaultHome();
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        bool ok = true;
        if (arg == "--driver") {
            options.driver = optionValue(argc, argv, i);
            ok = !options.driver.empty();
        } else if (arg == "--device") {
            ok = numberValue(argc, argv, i, options.device);
        } else if (arg == "--channel") {
            ok = numberValue(argc, argv, i, options.channel);
        } else if (arg == "--offset") {
            ok = numberValue(argc, argv, i, options.offset);
        } else if (arg == "--scale") {
            ok = numberValue(argc, argv, i, options.scale);
        } else if (arg == "--readings") {
            ok = numberValue(argc, argv, i, options.readings) && options.readings > 0;
        } else if (arg == "--home") {
            options.home = optionValue(argc, argv, i);
            ok = !options.home.empty();
        } else {
            return usage("unknown option '" + arg + "'");
        }
        if (!ok) return usage(arg + " needs a value");
    }
    if (options.home.empty()) return noHome();
    const int code = vekctl::runLoadCell(options);
    vek::shutDown();
    return code;
}

int run(int argc, char** argv) {
    if (argc < 2) return usage("no command given");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kHelp;
        return vekctl::Exit::OK;
    }
    if (command == "migrate") return migrate(argc, argv);
    if (command == "commands") return commands(argc, argv);
    if (command == "import") return import(argc, argv);
    if (command == "vision" || command == "camera") return vision(argc, argv);
    if (command == "loadcell") return loadCell(argc, argv);
    if (command != "demo") return usage("unknown command '" + command + "'");

    vekctl::DemoOptions options;
    options.home = vekctl::defaultHome();
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= argc) return false;
            into = argv[++i];
            return !into.empty();
        };
        if (arg == "--svg") {
            if (!value(options.svg)) return usage("--svg needs a file name");
        } else if (arg == "--home") {
            if (!value(options.home)) return usage("--home needs a folder");
        } else if (arg == "--real-time") {
            options.realTime = true;
        } else if (arg == "--sound") {
            options.sound = true;
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--help" || arg == "-h") {
            std::cout << kHelp;
            return vekctl::Exit::OK;
        } else {
            return usage("unknown option '" + arg + "'");
        }
    }
    if (options.home.empty()) return noHome();
    const int code = vekctl::Demo(options).run();
    vek::shutDown();
    return code;
}

}  // namespace

int main(int argc, char** argv) {
    return finishOutput(run(argc, argv));
}
