// vekctl: the command-line host of vek.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
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
#include "Panel.h"
#include "Peripherals.h"
#include "Program.h"
#include "RunProgram.h"
#include "Serial.h"
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
  run      Run a user program written in Python (SCRIPT.py [ARGS...])
           against the simulated gantry of the install's database: the
           program imports vek and reaches the loaded, connected gantry
           through vek.Server() (see examples/). The commands' display
           texts are printed as they come; a numbered error that ends the
           program is printed as "error N: text". Ctrl-C during a wait
           stops the motors and ends the program. With --port the
           program drives a real chain instead of the simulation.
  program  Motor programs (the language of src/vek/comm/engine/LANGUAGE.md):
             check FILE      scan FILE; every error and warning goes to
                             standard error as "FILE:line:column: code
                             message", as compilers print them
             compile FILE    the same, and a clean program is written
                             compiled next to it (prog_2.smp: prog_2.smx)
                             or to --output
             download FILE   build FILE for its motor (prog_2.smp: motor 2)
                             on the simulated gantry of the install's
                             database, download it over the simulated
                             chain and read it back to compare
             run FILE        download, then start the program; over
                             --port, each line the program prints is
                             shown until the line falls quiet
             generate MOTOR FILE
                             write motor MOTOR's program from the install's
                             templates (data/smp_template.txt,
                             smp_homing.txt) and check that it compiles
  compile  The same as `program compile FILE [--output FILE]`.
  migrate  Upgrade an older database file to the current schema, as
           start-up does: a dated backup first, then one step per version.
           Without --file, a fresh copy of the shipped version-0 example
           data/vek_v0.db is made as data/vek-v0-example.db in the install
           folder (replaced on every run) and upgraded.
  emulate  Run the chain emulator: a chain of emulated motors behind a new
           pseudo-terminal, whose path is printed first; it serves until
           interrupted (Ctrl-C).
  chain    Address the motor chain on a serial port and print each motor
           found with its position and status word, then "N motors".
  ports    List the machine's serial ports with their descriptions (a USB
           adapter's maker, product and serial number), then "N serial
           ports"; pseudo-terminals are not listed.
  send     Address the chain on a serial port, send one command text (the
           motor number and the motor command, "2RP") and print its answer
           (an empty line when none came in time).
  panel    Serve the operator panel's Modbus TCP slave on the simulated
           gantry until interrupted (Ctrl+C), printing each value a master
           writes ("binary 5 = 1", "register 3 = -5"). Binary value i is
           coil i+1; register i is the 32-bit value in the holding registers
           2i+1 (high word) and 2i+2 (low word); i = 0..259 (Modbus PDU
           addresses; mbpoll -0).
  io       List the external inputs and outputs configured in the install's
           database (table IO) with their states: simulated when
           softwareMotors is not 0, otherwise read from the Modbus TCP I/O
           coupler at ioIP ("host" or "host:port").
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
  --port PATH    run on the motor chain on serial port PATH (a /dev/tty*
                 device or the pseudo-terminal of `vekctl emulate`) instead
                 of the simulation, in real time; the picture shows the
                 positions read back from the motors

Options of commands:
  -c LINE        run LINE (repeatable; the first failure ends the run);
                 without -c, lines come from the prompt, or one per line
                 from standard input when that is no terminal
  --home DIR     install folder, as for demo
  --real-time    let machine time pass in wall-clock time (default: virtual
                 time, a wait for a move returns at once)
  --sound        play the motion sound while axes move

Options of run (before SCRIPT.py; what follows it goes to the program):
  --home DIR     install folder, as for demo
  --real-time    let machine time pass in wall-clock time (default: virtual
                 time)
  --sound        play the motion sound while axes move
  --port PATH    drive the motor chain on this serial port (a /dev/tty*
                 device or the pseudo-terminal of `vekctl emulate`) instead
                 of the simulation; machine time is then wall-clock time

Options of program:
  --output FILE  compile: where to write the compiled program
  --home DIR     download, run, generate: install folder, as for demo
  --port PORT    download, run: compile FILE and send it over the serial
                 chain on PORT (9600 baud; `vekctl emulate` gives one)
                 instead of the simulated gantry

Options of migrate:
  --home DIR     install folder, as for demo
  --file NAME    database file in the install's data folder to upgrade (a
                 name that leads out of the data folder is refused)

Options of emulate:
  --motors N     motors on the chain, 0 to 8 (default 3)
  --line-time    each byte takes 10 bits / baud rate on every hop
  --speed X      motion runs X times faster than real time (default 1)
  --baud N       the rate the motors start at (default 9600)

Options of chain and send:
  --port PATH    the serial port (a /dev/tty* device or the emulator's
                 pseudo-terminal); required
  --baud N       the rate to talk at (default 9600)
  --max N        the highest address to give, 1 to 8 (default 8)

Options of panel:
  --port N       TCP port to serve, 0 for any free one (default: the
                 configured hmiPort, 502 unless set; 502 needs privileges)
  --seconds S    stop after S seconds instead of at Ctrl+C
  --home DIR     install folder, as for demo

Options of io:
  --home DIR     install folder, as for demo

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
  9  a command of `commands`, or the program of `run`, failed with a
     numbered error; the camera reported a failed trigger; the load cell
     could not be configured
  10 a command failed on the serial line
  11 the panel's port could not be opened
  12 import: the file gave no points (unknown ending, damaged or missing
     file; the cause is printed as a warning)
  13 the program of `run` failed with another Python exception
  14 `run` could not start Python (or vekctl was built without the module)
  130 the program of `run` was interrupted with Ctrl-C
  15 program: the program has errors or warnings (nothing written, nothing
     sent to a motor)
  16 program: the program could not be read, the compiled file not
     written, or the file name names no motor (prog_2.smp)
  17 program: the motor refused the download, did not hold what was sent,
     or did not start; generate: the motor's settings are missing
  (`commands` uses 1 also for a line that is no command or lacks
  arguments, 3 and 4 when the database or the simulated chain cannot be
  opened; import 3 also when the points could not be stored; vision 4 when
  the camera cannot be reached or hangs up; with emulate, chain and send, 4
  means the emulator could not start or the serial port could not be opened
  or its chain addressed)
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

// A text option's value, stepping over it; false when it is missing or empty.
bool textValue(int argc, char** argv, int& i, std::string& into) {
    into = optionValue(argc, argv, i);
    return !into.empty();
}

int migrate(int argc, char** argv) {
    vekctl::MigrateOptions options;
    options.home = vekctl::defaultHome();
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--home") {
            if (!textValue(argc, argv, i, options.home)) return usage("--home needs a folder");
        } else if (arg == "--file") {
            if (!textValue(argc, argv, i, options.file)) return usage("--file needs a file name");
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
            if (!textValue(argc, argv, i, options.home)) return usage("--home needs a folder");
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

// A number option's value within [low, high], stepping over it.
template <typename T>
bool numberIn(int argc, char** argv, int& i, double low, double high, T& into) {
    T value{};
    if (!numberValue(argc, argv, i, value) || value < low || value > high) return false;
    into = value;
    return true;
}

int emulate(int argc, char** argv) {
    vekctl::EmulateOptions options;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--motors") {
            if (!numberIn(argc, argv, i, 0, 8, options.motors)) return usage("--motors needs a number from 0 to 8");
        } else if (arg == "--baud") {
            if (!numberIn(argc, argv, i, 1200, 115200, options.baudRate)) return usage("--baud needs a rate");
        } else if (arg == "--speed") {
            if (!numberIn(argc, argv, i, 1e-9, 10000, options.speed))
                return usage("--speed needs a factor above 0, at most 10000");
        } else if (arg == "--line-time") {
            options.lineTime = true;
        } else {
            return usage("unknown option '" + arg + "'");
        }
    }
    return vekctl::runEmulate(options);
}

// chain and send: the port and rate options, and for send the command text.
int chainCommand(int argc, char** argv, bool send) {
    vekctl::ChainOptions options;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--port") {
            if (!textValue(argc, argv, i, options.port)) return usage("--port needs a device");
        } else if (arg == "--baud") {
            if (!numberIn(argc, argv, i, 1, 10000000, options.baudRate)) return usage("--baud needs a rate");
        } else if (arg == "--max" && !send) {
            if (!numberIn(argc, argv, i, 1, 8, options.maxMotors)) return usage("--max needs a number from 1 to 8");
        } else if (send && options.command.empty() && arg.rfind("--", 0) != 0) {
            options.command = arg;
        } else {
            return usage("unknown option '" + arg + "'");
        }
    }
    if (options.port.empty()) return usage("--port is required");
    if (send && options.command.empty()) return usage("send needs a command text, \"2RP\" for example");
    return send ? vekctl::runSend(options) : vekctl::runChain(options);
}

int panelOrIo(const std::string& command, int argc, char** argv) {
    vekctl::PanelOptions options;
    options.home = vekctl::defaultHome();
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--home") {
            if (!textValue(argc, argv, i, options.home)) return usage("--home needs a folder");
        } else if (command == "panel" && arg == "--port") {
            if (!numberIn(argc, argv, i, 0, 65535, options.port))
                return usage("--port needs a port number from 0 to 65535");
        } else if (command == "panel" && arg == "--seconds") {
            if (!numberIn(argc, argv, i, 0, 1e9, options.seconds)) return usage("--seconds needs a number of seconds");
        } else {
            return usage("unknown option '" + arg + "'");
        }
    }
    if (options.home.empty()) return noHome();
    const int code = command == "panel" ? vekctl::runPanel(options) : vekctl::runIo(options.home);
    vek::shutDown();
    return code;
}

int import(int argc, char** argv) {
    vekctl::ImportOptions options;
    options.home = vekctl::defaultHome();
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--store") {
            if (!textValue(argc, argv, i, options.store)) return usage("--store needs DATASET.PATH");
        } else if (arg == "--home") {
            if (!textValue(argc, argv, i, options.home)) return usage("--home needs a folder");
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
            if (!textValue(argc, argv, i, options.home)) return usage("--home needs a folder");
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

int runScript(int argc, char** argv) {
    vekctl::RunOptions options;
    options.home = vekctl::defaultHome();
    int i = 2;
    for (; i < argc && std::string(argv[i]).rfind("--", 0) == 0; ++i) {
        const std::string arg = argv[i];
        if (arg == "--home") {
            if (!textValue(argc, argv, i, options.home)) return usage("--home needs a folder");
        } else if (arg == "--real-time") {
            options.realTime = true;
        } else if (arg == "--sound") {
            options.sound = true;
        } else if (arg == "--port") {
            if (!textValue(argc, argv, i, options.port)) return usage("--port needs a serial port");
        } else {
            return usage("unknown option '" + arg + "'");
        }
    }
    if (i >= argc) return usage("run needs a program file (SCRIPT.py)");
    options.script = argv[i];
    options.args.assign(argv + i + 1, argv + argc);
    if (options.home.empty()) return noHome();
    return vekctl::runProgram(options);
}

int program(int argc, char** argv) {
    vekctl::ProgramOptions options;
    options.home = vekctl::defaultHome();
    if (argc < 3) return usage("program needs an action: check, compile, download, run or generate");
    options.action = argv[2];
    const bool generating = options.action == "generate";
    if (!generating && options.action != "check" && options.action != "compile" && options.action != "download" &&
        options.action != "run")
        return usage("unknown program action '" + options.action + "'");
    std::vector<std::string> operands;
    for (int i = 3; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--output" && options.action == "compile") {
            if (!textValue(argc, argv, i, options.output)) return usage("--output needs a file name");
        } else if (arg == "--home") {
            if (!textValue(argc, argv, i, options.home)) return usage("--home needs a folder");
        } else if (arg == "--port" && (options.action == "download" || options.action == "run")) {
            if (!textValue(argc, argv, i, options.port)) return usage("--port needs a serial port");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage("unknown option '" + arg + "'");
        } else {
            operands.push_back(arg);
        }
    }
    if (operands.size() != (generating ? 2u : 1u))
        return usage(generating ? "program generate takes a motor number and a file"
                                : "program " + options.action + " takes one program file");
    if (generating) {
        const std::string& motor = operands[0];
        if (motor.size() != 1 || motor[0] < '1' || motor[0] > '8') return usage("motor numbers are 1 to 8");
        options.motor = motor[0] - '0';
    }
    options.file = operands.back();
    const bool local = options.action == "check" || options.action == "compile";
    if (!local && options.port.empty() && options.home.empty()) return noHome();
    const int code = vekctl::runProgram(options);
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
    if (command == "run") return runScript(argc, argv);
    if (command == "program") return program(argc, argv);
    if (command == "compile") {
        std::vector<char*> args{argv[0], const_cast<char*>("program")};
        args.insert(args.end(), argv + 1, argv + argc);
        return program(static_cast<int>(args.size()), args.data());
    }
    if (command == "emulate") return emulate(argc, argv);
    if (command == "chain") return chainCommand(argc, argv, false);
    if (command == "send") return chainCommand(argc, argv, true);
    if (command == "ports") return argc == 2 ? vekctl::runPorts() : usage("ports takes no arguments");
    if (command == "panel" || command == "io") return panelOrIo(command, argc, argv);
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
        } else if (arg == "--port") {
            if (!value(options.port)) return usage("--port needs a device");
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
