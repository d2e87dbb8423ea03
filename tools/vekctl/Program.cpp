#include "Program.h"

#include <iostream>
#include <string_view>

#include "Demo.h"
#include "DemoInstall.h"
#include "Session.h"
#include "vek/vek.h"

namespace vekctl {

namespace {

// Prints the scanner's entries for `file` the way compilers do; true when
// there are none.
bool report(const std::string& file, const vek::ProgramScan& scan) {
    for (const auto& entry : scan.entries)
        std::cerr << file << ":" << entry.line << ":" << entry.column << ": " << entry.code << " " << entry.message
                  << "\n";
    if (scan.clean()) return true;
    std::cerr << file << ": " << scan.entries.size() << (scan.entries.size() == 1 ? " entry" : " entries")
              << ", nothing written\n";
    return false;
}

std::optional<vek::ProgramScan> scanFile(const std::string& file) {
    const auto bytes = vek::readProgramFile(file);
    if (!bytes) {
        std::cerr << "vekctl: cannot read " << file << "\n";
        return std::nullopt;
    }
    return vek::scanProgram(std::string_view(reinterpret_cast<const char*>(bytes->data()), bytes->size()));
}

int compile(const ProgramOptions& options) {
    const auto scan = scanFile(options.file);
    if (!scan) return Exit::MOTOR_PROGRAM_FILE;
    if (!report(options.file, *scan)) return Exit::MOTOR_PROGRAM;
    if (options.action == "check") return Exit::OK;
    const std::string output = options.output.empty() ? compiledName(options.file) : options.output;
    const auto compiled = scan->program.toSmx();
    if (!vek::writeProgramFile(output, compiled)) {
        std::cerr << "vekctl: cannot write " << output << "\n";
        return Exit::MOTOR_PROGRAM_FILE;
    }
    std::cout << "Wrote " << output << " (" << compiled.size() << " bytes, CRC-32 "
              << vek::crcText(vek::crc32(compiled)) << ")\n";
    return Exit::OK;
}

// The failures of the library's log (a refused download says why there).
void listenForFailures() {
    vek::Server().logger()->messagedLogged.connect([](std::string& message, int16_t& level) {
        if (level == vek::LogLevel::WARNING || level == vek::LogLevel::Error)
            std::cerr << "warning: " << message << "\n";
    });
}

// Builds, downloads (and runs) on the simulated gantry.
int download(const ProgramOptions& options, vek::SingleMotorProgram& programs) {
    const int32_t motor = programs.getMotorIndexFromFilePath(options.file);
    if (motor < 1) return Exit::MOTOR_PROGRAM_FILE;
    if (const auto fault = programs.build(options.file)) {
        std::cerr << options.file << ":" << fault->line() << ":" << fault->column() << ": " << fault->code() << " "
                  << fault->message() << "\n";
        return Exit::MOTOR_PROGRAM;
    }
    if (!programs.download(motor, options.file)) return Exit::MOTOR_PROGRAM_MOTOR;
    // Read back what the motor holds and compare it with what was sent.
    const std::string compiled = programs.getDownloadProgramName(options.file);
    const std::string back = compiled + ".back";
    const bool uploaded = programs.upload(motor, back);
    const auto sent = vek::readProgramFile(compiled);
    const auto held = vek::readProgramFile(back);
    vek::deleteFile(back);
    if (!uploaded || !sent || sent != held) {
        std::cerr << "vekctl: motor " << motor << " does not hold what was sent\n";
        return Exit::MOTOR_PROGRAM_MOTOR;
    }
    std::cout << "Downloaded " << compiled << " to motor " << motor << " (" << sent->size() << " bytes, CRC-32 "
              << vek::crcText(vek::crc32(*sent)) << ")\n";
    if (options.action != "run") return Exit::OK;
    if (!programs.run(motor)) return Exit::MOTOR_PROGRAM_MOTOR;
    std::cout << "Started the program of motor " << motor << std::endl;
    // The simulated motor runs the program while the event loop turns:
    // follow it to its end, for a minute at most.
    const auto axis = vek::Server().getLinearSlides()->motors()->item(static_cast<std::size_t>(motor));
    if (const auto simulated = std::dynamic_pointer_cast<vek::MotorSimulation>(axis)) {
        const double end = vek::eventLoop().now() + 60;
        while (simulated->isProgramRunning() && vek::eventLoop().now() < end) vek::eventLoop().wait(0.05);
        std::cout << "The program of motor " << motor
                  << (simulated->isProgramRunning() ? " still ran after a minute and stops with vekctl" : " ended")
                  << " at " << axis->position() << " counts\n";
    }
    return Exit::OK;
}

// Compiles locally and downloads over a serial chain; the motor is the
// digit in front of the file's four-character extension.
int downloadOverPort(const ProgramOptions& options) {
    const std::string& f = options.file;
    const std::size_t n = f.size();
    if (n < 6 || f[n - 6] != '_' || f[n - 5] < '1' || f[n - 5] > '8') {
        std::cerr << "vekctl: " << f << " names no motor (prog_2.smp is for motor 2)\n";
        return Exit::MOTOR_PROGRAM_FILE;
    }
    const int32_t motor = f[n - 5] - '0';
    ProgramOptions compiling = options;
    compiling.action = "compile";
    if (const int code = compile(compiling); code != Exit::OK) return code;
    const std::string compiled = compiledName(f);
    const std::string back = compiled + ".back";
    try {
        vek::Communication comm;
        comm.OpenPort(options.port, 9600);
        if (comm.initMotors() < motor) {
            std::cerr << "vekctl: no motor " << motor << " on " << options.port << "\n";
            return Exit::MOTOR_PROGRAM_MOTOR;
        }
        comm.download(motor, compiled);
        comm.forceUpload(motor, back);
        const auto sent = vek::readProgramFile(compiled);
        const bool same = sent == vek::readProgramFile(back);
        vek::deleteFile(back);
        if (!same) {
            std::cerr << "vekctl: motor " << motor << " does not hold what was sent\n";
            return Exit::MOTOR_PROGRAM_MOTOR;
        }
        std::cout << "Downloaded " << compiled << " to motor " << motor << " on " << options.port << "\n";
        if (options.action == "run") {
            comm.WriteCommand(std::to_string(motor) + "RUN");
            std::cout << "Started the program of motor " << motor << std::endl;
            // What the program prints comes back through the chain.
            for (std::string line = comm.ReadResponse(); !line.empty(); line = comm.ReadResponse())
                std::cout << "motor " << motor << ": " << line << std::endl;
        }
    } catch (const vek::NumberedError& e) {
        std::cerr << "vekctl: " << e.description() << " (error " << e.number() << ")\n";
        return Exit::MOTOR_PROGRAM_MOTOR;
    }
    return Exit::OK;
}

int generate(const ProgramOptions& options) {
    bool smartMotor = false;
    try {
        const vek::Server server;
        server.ProgramData()->generateSMP(options.motor, options.file);
        smartMotor = vek::isSmartMotorFamily(
            server.getLinearSlides()->motors()->item(static_cast<std::size_t>(options.motor))->motorType());
    } catch (const vek::NumberedError& e) {
        std::cerr << "vekctl: cannot generate the program of motor " << options.motor << " (error " << e.number()
                  << ": " << e.description() << ")\n";
        return Exit::MOTOR_PROGRAM_MOTOR;
    }
    if (!smartMotor) {  // a Dravo table is checked line by line when it is built
        std::cout << "Wrote " << options.file << " (a Dravo-family program)\n";
        return Exit::OK;
    }
    const auto scan = scanFile(options.file);
    if (!scan) return Exit::MOTOR_PROGRAM_FILE;
    if (!report(options.file, *scan)) return Exit::MOTOR_PROGRAM;
    std::cout << "Wrote " << options.file << "\n";
    return Exit::OK;
}

}  // namespace

std::string compiledName(const std::string& file) {
    const std::size_t n = file.size();
    const std::size_t slash = file.find_last_of("/\\");
    const bool hasExtension = n >= 5 && file[n - 4] == '.' && (slash == std::string::npos || slash < n - 5);
    return (hasExtension ? file.substr(0, n - 4) : file) + ".smx";
}

int runProgram(const ProgramOptions& options) {
    if (options.action == "check" || options.action == "compile") return compile(options);
    if (!options.port.empty()) return downloadOverPort(options);
    if (const int code = prepareSession(options.home, false); code != Exit::OK) return code;
    listenForFailures();
    if (const int code = loadSimulatedGantry(options.home, false, true); code != Exit::OK) return code;
    if (options.action == "generate") return generate(options);
    return download(options, *vek::Server().SingleMotorProgram());
}

}  // namespace vekctl
