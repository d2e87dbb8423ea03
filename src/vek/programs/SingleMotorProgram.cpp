#include "vek/programs/SingleMotorProgram.h"

#include <filesystem>

#include "vek/comm/engine/CompiledProgram.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/Error.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Files.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/foundation/Text.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/MotorConstants.h"

namespace vek {

namespace {

std::shared_ptr<Error> record(int32_t code, int32_t line, int32_t column, const std::string& message) {
    auto error = std::make_shared<Error>();
    error->setCode(code);
    error->setLine(line);
    error->setColumn(column);
    error->setMessage(message);
    return error;
}

// A compiled file left from an earlier build must not reach a motor once
// its source no longer builds.
void removeStale(const std::string& compiled) {
    std::error_code ignored;
    std::filesystem::remove(toNativePath(compiled), ignored);
}

// The Dravo arrays a program may fill, as the motor spells them.
std::string dravoArray(const std::string& name) {
    for (const char* known : {"al", "VEL", "ACC", "MODE"})
        if (equalsIgnoreCase(name, known)) return known;
    return {};
}

}  // namespace

SingleMotorProgram::SingleMotorProgram(std::function<std::shared_ptr<LinearSlides>()> slides)
    : source_(std::move(slides)) {
    logAt(LogLevel::DEVELOPER, "Initializing vek.SingleMotorProgram");
    logAt(LogLevel::DEVELOPER, "Created SMIScan interface");
    logAt(LogLevel::DEVELOPER, "Created SMIError object");
    for (const int16_t code : kProgramErrorCodes) messages_.add(programErrorMessage(code), toText(code));
}

SingleMotorProgram::~SingleMotorProgram() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.SingleMotorProgram");
}

void SingleMotorProgram::init(std::shared_ptr<LinearSlides> ls) {
    slides_ = std::move(ls);
}

std::string SingleMotorProgram::getModeName(int16_t modeNumber) {
    switch (modeNumber) {
        case 0: return "Absolute";
        case 1: return "Relative";
        default: return "Unknown";
    }
}

std::string SingleMotorProgram::getErrorMessage(int16_t errorCode) {
    return messages_.item(toText(errorCode));
}

std::string SingleMotorProgram::getDownloadProgramName(const std::string& sourceProgramName) {
    const std::size_t keep = sourceProgramName.size() >= 4 ? sourceProgramName.size() - 4 : 0;
    return sourceProgramName.substr(0, keep) + ".smx";
}

std::shared_ptr<LinearSlides> SingleMotorProgram::slides() const {
    if (slides_) return slides_;
    return source_ ? source_() : nullptr;
}

int32_t SingleMotorProgram::motorCount() const {
    const auto ls = slides();
    return ls && ls->motors() ? static_cast<int32_t>(ls->motors()->count()) : 0;
}

std::shared_ptr<IMotor> SingleMotorProgram::motor(int32_t motorIndex) const {
    if (motorIndex < 1 || motorIndex > motorCount())
        throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return requireObject(slides()->motors()->item(static_cast<std::size_t>(motorIndex)));
}

int32_t SingleMotorProgram::getMotorIndexFromFilePath(const std::string& filePath) {
    const std::size_t n = filePath.size();
    // prog_2.smp: "_", the digit, then four characters of extension.
    if (n >= 6 && filePath[n - 6] == '_' && filePath[n - 5] >= '0' && filePath[n - 5] <= '9') {
        const int32_t number = filePath[n - 5] - '0';
        if (number <= motorCount()) return number;
    }
    logAt(LogLevel::Error, "File name format (fileName_motorIndex.smp) for " + filePath + " is not correct.");
    return -1;
}

// ------------------------------------------------------------ build

std::shared_ptr<Error> SingleMotorProgram::build(const std::string& program) {
    const int32_t motorIndex = getMotorIndexFromFilePath(program);
    int16_t type = 0;
    try {
        if (motorIndex < 0)
            return record(0, 0, 0, "File name format (fileName_motorIndex.smp) for " + program + " is not correct.");
        type = motor(motorIndex)->motorType();
    } catch (const NumberedError& e) {
        return record(0, 0, 0, "No motor " + toText(motorIndex) + " for " + program + " [" + e.description() + "]");
    }
    if (isSmartMotorFamily(type)) return buildSmartMotor(program);
    if (isDravoFamily(type)) return buildDravo(program);
    return nullptr;
}

std::shared_ptr<Error> SingleMotorProgram::buildSmartMotor(const std::string& program) {
    const std::string compiled = getDownloadProgramName(program);
    try {
        scanner_.scan(program);
    } catch (const NumberedError& e) {
        removeStale(compiled);
        return record(0, 0, 0, e.description() + ": " + program);
    }
    if (scanner_.errorCount() > 0) {
        removeStale(compiled);
        scanner_.moveFirst();
        while (scanner_.moreEntries()) scanner_.moveNext();
        logAt(LogLevel::DEVELOPER, [&] {
            return program + " has " + toText(scanner_.errorCount()) +
                   " scanner entries; the last: " + toText(scanner_.code()) + " at line " + toText(scanner_.line());
        });
        return record(scanner_.code(), scanner_.line(), scanner_.column(), scanner_.message());
    }
    if (!writeProgramFile(compiled, scanner_.result().program.toSmx())) {
        removeStale(compiled);
        return record(0, 0, 0, "Cannot write the compiled program " + compiled);
    }
    return nullptr;
}

std::shared_ptr<Error> SingleMotorProgram::buildDravo(const std::string& program) {
    const std::string compiled = getDownloadProgramName(program);
    if (!isFilePresent(program)) {
        removeStale(compiled);
        return record(0, 0, 0, "File not found: " + program);
    }
    std::string text;
    int32_t lineNumber = 0;
    for (const std::string& line : readLines(program)) {
        ++lineNumber;
        std::string statement = trim(line);
        if (statement.empty() || statement[0] == '\'') continue;
        statement = trim(statement.substr(0, statement.find('\'')));
        std::shared_ptr<Collection<std::string>> tokens;
        try {
            tokens = getTokensFromArrayAssignment(statement);
        } catch (const NumberedError&) {
            // An index or value that is no number, or too large.
        }
        const std::string array = tokens ? dravoArray(trim(tokens->item(1))) : std::string();
        if (array.empty()) {
            removeStale(compiled);
            return record(0, lineNumber, 0, "Invalid format");
        }
        if (!text.empty()) text += "\r\n";
        text += array + "[" + trim(tokens->item(2)) + "]=" + trim(tokens->item(3));
    }
    writeFile(compiled, text);
    return nullptr;
}

// ------------------------------------------------------------ the motor

template <typename Action>
bool SingleMotorProgram::onMotor(int32_t motorIndex, const char* what, Action action) {
    try {
        action(*motor(motorIndex));
        return true;
    } catch (const std::exception& e) {
        logAt(LogLevel::Error, std::string("Single-motor program: ") + what + " on motor " + toText(motorIndex) +
                                   " failed: " + e.what());
        return false;
    }
}

bool SingleMotorProgram::download(int32_t motorIndex, const std::string& sourceFile) {
    const std::string compiled = getDownloadProgramName(sourceFile);
    return onMotor(motorIndex, "download", [&](IMotor& m) { m.download(compiled); });
}

bool SingleMotorProgram::upload(int32_t motorIndex, const std::string& destinationFile) {
    return onMotor(motorIndex, "upload", [&](IMotor& m) { m.forceUpload(destinationFile); });
}

bool SingleMotorProgram::run(int32_t motorIndex) {
    return onMotor(motorIndex, "run", [](IMotor& m) { m.StartProgram(); });
}

bool SingleMotorProgram::StopProgram(int32_t motorIndex) {
    return onMotor(motorIndex, "stop", [](IMotor& m) { m.StopProgram(); });
}

}  // namespace vek
