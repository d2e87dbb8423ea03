// vekctl: the command-line host of vek.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "CommandShell.h"
#include "Demo.h"
#include "DemoInstall.h"
#include "Migrate.h"
#include "Program.h"
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
             run FILE        download, then start the program
             generate MOTOR FILE
                             write motor MOTOR's program from the install's
                             templates (data/smp_template.txt,
                             smp_homing.txt) and check that it compiles
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
  send     Address the chain on a serial port, send one command text (the
           motor number and the motor command, "2RP") and print its answer
           (an empty line when none came in time).

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
  9  a command of `commands` failed with a numbered error
  10 a command failed on the serial line
  11 program: the program has errors or warnings (nothing written, nothing
     sent to a motor)
  12 program: the program could not be read, the compiled file not
     written, or the file name names no motor (prog_2.smp)
  13 program: the motor refused the download, did not hold what was sent,
     or did not start; generate: the motor's settings are missing
  (`commands` uses 1 also for a line that is no command or lacks
  arguments, 3 and 4 when the database or the simulated chain cannot be
  opened)
  With emulate, chain and send, 4 means the emulator could not start or the
  serial port could not be opened or its chain addressed.
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
            options.output = optionValue(argc, argv, i);
            if (options.output.empty()) return usage("--output needs a file name");
        } else if (arg == "--home") {
            options.home = optionValue(argc, argv, i);
            if (options.home.empty()) return usage("--home needs a folder");
        } else if (arg == "--port" && (options.action == "download" || options.action == "run")) {
            options.port = optionValue(argc, argv, i);
            if (options.port.empty()) return usage("--port needs a serial port");
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

// A whole decimal number within [low, high], or nothing.
bool numberIn(const std::string& text, long low, long high, long& value) {
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    value = std::stol(text);
    return value >= low && value <= high;
}

int emulate(int argc, char** argv) {
    vekctl::EmulateOptions options;
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        long n = 0;
        if (arg == "--motors") {
            if (!numberIn(optionValue(argc, argv, i), 0, 8, n)) return usage("--motors needs a number from 0 to 8");
            options.motors = static_cast<int>(n);
        } else if (arg == "--baud") {
            if (!numberIn(optionValue(argc, argv, i), 1200, 115200, n)) return usage("--baud needs a rate");
            options.baudRate = static_cast<int32_t>(n);
        } else if (arg == "--speed") {
            const std::string text = optionValue(argc, argv, i);
            char* end = nullptr;
            options.speed = std::strtod(text.c_str(), &end);
            if (text.empty() || *end != '\0' || !(options.speed > 0 && options.speed <= 10000))
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
        long n = 0;
        if (arg == "--port") {
            options.port = optionValue(argc, argv, i);
            if (options.port.empty()) return usage("--port needs a device");
        } else if (arg == "--baud") {
            if (!numberIn(optionValue(argc, argv, i), 1, 10000000, n)) return usage("--baud needs a rate");
            options.baudRate = static_cast<int32_t>(n);
        } else if (arg == "--max" && !send) {
            if (!numberIn(optionValue(argc, argv, i), 1, 8, n)) return usage("--max needs a number from 1 to 8");
            options.maxMotors = static_cast<int32_t>(n);
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

int run(int argc, char** argv) {
    if (argc < 2) return usage("no command given");
    const std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::cout << kHelp;
        return vekctl::Exit::OK;
    }
    if (command == "migrate") return migrate(argc, argv);
    if (command == "commands") return commands(argc, argv);
    if (command == "program") return program(argc, argv);
    if (command == "emulate") return emulate(argc, argv);
    if (command == "chain") return chainCommand(argc, argv, false);
    if (command == "send") return chainCommand(argc, argv, true);
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
