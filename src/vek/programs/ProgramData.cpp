#include "vek/programs/ProgramData.h"

#include <cmath>

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Files.h"
#include "vek/foundation/InstallFolder.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/foundation/Text.h"
#include "vek/geometry/Node.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/Measurement.h"
#include "vek/motors/MotorConstants.h"
#include "vek/motors/Units.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/MotorData.h"
#include "vek/persistence/SlideData.h"

namespace vek {

namespace {

const std::string kCrLf = "\r\n";
const std::string kBanner = "'=========================================================";
const std::string kMainProgram = "'===============QDX Main Program==========================";

// The contents of a template of the install's data folder, each line ended
// by CR LF; empty (and a warning in the log) when it is missing.
std::string readTemplate(const std::string& name) {
    const std::string path = joinPath(installSubfolder(InstallSubfolder::data), name);
    if (!isFilePresent(path)) logAt(LogLevel::WARNING, "Program template " + path + " not found.");
    return ReadFile(path);
}

void replaceAll(std::string& text, const std::string& placeholder, const std::string& value) {
    for (std::size_t at = text.find(placeholder); at != std::string::npos;
         at = text.find(placeholder, at + value.size()))
        text.replace(at, placeholder.size(), value);
}

// A converted value that left the floating-point range fails the call.
double finite(double value) {
    if (!std::isfinite(value)) throw NumberedError::platform(PlatformErrors::OVERFLOW_ERROR);
    return value;
}

}  // namespace

ProgramData::ProgramData(Sources sources, std::shared_ptr<Measurement> measurement)
    : sources_(std::move(sources)), measurement_(std::move(measurement)) {
    if (!measurement_) measurement_ = std::make_shared<Measurement>();
    logAt(LogLevel::DEVELOPER, "Initializing programData");
}

ProgramData::~ProgramData() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.ProgramData");
}

bool ProgramData::isValidProgramName(const std::string& programName) {
    return isValidVariableName(programName);
}

bool ProgramData::isExistingProgramName(const std::string& programPath) {
    return isFilePresent(programPath);
}

// ------------------------------------------------------------ sources

std::shared_ptr<const MotorCollection> ProgramData::axes() const {
    auto motors = sources_.axes ? sources_.axes() : nullptr;
    if (!motors) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return motors;
}

std::shared_ptr<Configuration> ProgramData::configuration() const {
    auto config = sources_.configuration ? sources_.configuration() : nullptr;
    if (!config) throw NumberedError(ErrorCodes::DATABASE_ERROR, "The configuration has not been loaded.");
    return config;
}

std::shared_ptr<MotorData> ProgramData::record(int32_t motorIndex) const {
    return requireObject(configuration()->motorsData()->item(static_cast<std::size_t>(motorIndex)));
}

std::shared_ptr<SlideData> ProgramData::slide(int32_t motorIndex) const {
    return requireObject(record(motorIndex)->SlideData());
}

double ProgramData::speedOf(int32_t motorIndex, double percentage) {
    const auto s = slide(motorIndex);
    int16_t mm = Units::mm;
    int16_t smu = Units::smu;
    return finite(measurement_->getVelocity(mm, smu, percentage / 100 * s->maxSpeed(), s->pitch(), s->motorType()));
}

double ProgramData::accelerationOf(int32_t motorIndex, double percentage) {
    const auto s = slide(motorIndex);
    int16_t mm = Units::mm;
    int16_t smu = Units::smu;
    return finite(
        measurement_->getAcceleration(mm, smu, percentage / 100 * s->maxAcceleration(), s->pitch(), s->motorType()));
}

int32_t ProgramData::countsOf(int32_t motorIndex, double mm) {
    const auto s = slide(motorIndex);
    int16_t from = Units::mm;
    int16_t to = Units::smu;
    return toInt32(finite(measurement_->getPosition(from, to, mm, s->pitch(), s->motorType())));
}

// ------------------------------------------------------------ SMP

void ProgramData::generateSMP(int32_t motorIndex, const std::string& fullProgramName) {
    const auto motor = axes()->item(static_cast<std::size_t>(motorIndex));
    const int16_t type = motor->motorType();
    if (isSmartMotorFamily(type))
        writeSmartMotorSmp(motorIndex, fullProgramName, kBanner + kCrLf + readTemplate("smp_template.txt"));
    else if (isDravoFamily(type))
        writeDravoSmp(fullProgramName, kBanner + kCrLf);
}

void ProgramData::writeSmartMotorSmp(int32_t motorIndex, const std::string& fullProgramName, const std::string& body) {
    const auto motor = axes()->item(static_cast<std::size_t>(motorIndex));
    const auto data = record(motorIndex);
    std::string text = kBanner + kCrLf;
    text += "'===============QDX Initialization========================" + kCrLf;
    text += "'=== variables used" + kCrLf;
    text += "'=== y = (reserved)" + kCrLf;
    text += kBanner + kCrLf;
    text += "ZS 'reset system flags" + kCrLf;
    text += "BRKSRV 'brake only when servo inactive" + kCrLf;
    text += "SADDR" + toText(motorIndex) + " 'motor address" + kCrLf;
    text += "F=2 'right handed screw" + kCrLf;
    text += "'Tuning values for " + motor->name() + kCrLf;
    static const char* const kGains[] = {"KP=", "KI=", "KD=", "KL=", "KS=", "KV=", "KA=", "KG="};
    for (int16_t k = 1; k <= 8; ++k) text += kGains[k - 1] + toText(data->tuningValue(k)) + kCrLf;
    text += "F  'load the Tuning values" + kCrLf;
    text += kCrLf;
    text +=
        "SILENT  'Comment this for allowing PRINT statements (e.g. PRINT(\"Test\",#13)) on Motor Terminal in "
        "QDX OS" +
        kCrLf;
    text += kCrLf;
    text += kBanner + kCrLf;
    text += kMainProgram + kCrLf;
    text += body + kCrLf;
    text += readTemplate("smp_homing.txt");
    writeFile(fullProgramName, replacePlaceholders(std::move(text), motorIndex));
}

std::string ProgramData::replacePlaceholders(std::string text, int32_t motorIndex) {
    const auto data = record(motorIndex);
    // Homing offsets are written with their sign inverted.
    const int32_t negativeOffset = countsOf(motorIndex, data->negativeHomingOffset());
    const int32_t positiveOffset = countsOf(motorIndex, data->positiveHomingOffset());
    replaceAll(text, "__NEGATIVE_HOMING_OFFSET__", toText(-static_cast<int64_t>(negativeOffset)));
    replaceAll(text, "__POSITIVE_HOMING_OFFSET__", toText(-static_cast<int64_t>(positiveOffset)));
    replaceAll(text, "__DEFAULT_JOG_ACCELERATION__", toText(int32_t{MotorConstants::DEFAULT_JOG_ACCELERATION}));
    replaceAll(text, "__DEFAULT_JOG_SPEED__", toText(int32_t{MotorConstants::DEFAULT_JOG_SPEED}));
    replaceAll(text, "__DEFAULT_HOME_ACCELERATION__", toText(int32_t{MotorConstants::DEFAULT_HOME_ACCELERATION}));
    replaceAll(text, "__DEFAULT_HOME_SPEED__", toText(int32_t{MotorConstants::DEFAULT_HOME_SPEED}));
    replaceAll(text, "__MOTOR_ENCODER_COUNT__", toText(int32_t{MotorConstants::MOTOR_ENCODER_COUNT}));
    replaceAll(text, "__DIFFERENT_VALUES__", toText(differentValues_));
    replaceAll(text, "__COMMON_MODE__", toText(commonMode_));
    replaceAll(text, "__COMMON_SPEED__", toText(commonSpeed_));
    replaceAll(text, "__COMMON_ACCELERATION__", toText(commonAcceleration_));
    replaceAll(text, " __BCD_ARRAY_TYPE__", arrayType_);
    replaceAll(text, " __BCD_MULTIPLY_FACTOR__", toText(multiplyFactor_));
    return text;
}

void ProgramData::writeDravoSmp(const std::string& fullProgramName, const std::string& body) {
    writeFile(fullProgramName, kBanner + kCrLf + kMainProgram + kCrLf + body + kCrLf);
}

// ------------------------------------------------------------ BCD

void ProgramData::generateBCD(const std::shared_ptr<Collection<std::shared_ptr<Node>>>& nodes,
                              const std::string& fullProgramName, int16_t validBCDPoints, int16_t differentValues,
                              int16_t commonMode, int16_t commonSpeed, int16_t commonAcceleration) {
    requireObject(nodes);
    const auto motors = axes();
    const std::string stem = fullProgramName.substr(0, fullProgramName.size() >= 4 ? fullProgramName.size() - 4 : 0);
    for (std::size_t i = 1; i <= motors->count(); ++i) {
        const int32_t m = static_cast<int32_t>(i);
        const std::string smpName = stem + "_" + toText(m) + ".smp";
        const int16_t type = motors->item(i)->motorType();
        if (isSmartMotorFamily(type))
            generateSmartMotorBcd(m, *nodes, fullProgramName, smpName, validBCDPoints, differentValues, commonMode,
                                  commonSpeed, commonAcceleration);
        else if (isDravoFamily(type))
            generateDravoBcd(m, *nodes, smpName, validBCDPoints, differentValues, commonMode, commonSpeed,
                             commonAcceleration);
    }
}

void ProgramData::generateSmartMotorBcd(int32_t m, const Collection<std::shared_ptr<Node>>& nodes,
                                        const std::string& fullProgramName, const std::string& smpName,
                                        int16_t validBCDPoints, int16_t differentValues, int16_t commonMode,
                                        int16_t commonSpeed, int16_t commonAcceleration) {
    arrayType_ = nodes.count() > 50 ? "aw" : "al";
    multiplyFactor_ = 1;
    std::string body = "'=== variables used" + kCrLf + "'=== d = directionHoming" + kCrLf + "'=== t = totalPositions" +
                       kCrLf + kBanner + kCrLf;
    if (arrayType_ == "aw")
        body += "'Note: Using aw[] array below with multiplication factor of " + toText(multiplyFactor_) + "." + kCrLf +
                kBanner + kCrLf;
    body += "'" + toText(validBCDPoints) + " positions are listed below." + kCrLf;
    body += "t = " + toText(validBCDPoints) + kCrLf + kCrLf;
    for (int32_t k = 0; k < validBCDPoints; ++k) {
        const auto& node = requireObject(nodes.item(static_cast<std::size_t>(k) + 1));
        if (differentValues) {
            const int32_t b = 4 * k;
            body += "al[" + toText(b) + "]=" + toText(node->mode()) + " 'mode" + kCrLf;
            body += "al[" + toText(b + 1) + "]=" + toText(node->axis(static_cast<int16_t>(m))) + " 'position" + kCrLf;
            body += "al[" + toText(b + 2) + "]=" + toText(speedOf(m, node->speed())) + " 'speed" + kCrLf;
            body += "al[" + toText(b + 3) + "]=" + toText(accelerationOf(m, node->acceleration())) + " 'acceleration" +
                    kCrLf;
        } else {
            const double position = static_cast<double>(node->axis(static_cast<int16_t>(m))) / multiplyFactor_;
            body += arrayType_ + "[" + toText(k) + "]=" + toText(toInt32(position)) + " 'position" + kCrLf;
        }
        body += kCrLf;
    }
    body += kCrLf;
    const std::string extension = getExtension(fullProgramName);
    if (equalsIgnoreCase(extension, "bcd"))
        body += readTemplate("bcd_template.txt");
    else if (equalsIgnoreCase(extension, "cus"))
        body += readTemplate(nameOfFileFromPath(fullProgramName) + "_template.txt");

    differentValues_ = differentValues ? int16_t{-1} : int16_t{0};
    commonMode_ = commonMode;
    commonSpeed_ = toInt32(speedOf(m, commonSpeed));
    commonAcceleration_ = toInt32(accelerationOf(m, commonAcceleration));
    writeSmartMotorSmp(m, smpName, body);
}

void ProgramData::generateDravoBcd(int32_t m, const Collection<std::shared_ptr<Node>>& nodes,
                                   const std::string& smpName, int16_t validBCDPoints, int16_t differentValues,
                                   int16_t commonMode, int16_t commonSpeed, int16_t commonAcceleration) {
    std::string body = kBanner + kCrLf + "'" + toText(validBCDPoints) + " positions are listed below." + kCrLf + kCrLf;
    for (int32_t k = 0; k < validBCDPoints; ++k) {
        const auto& node = requireObject(nodes.item(static_cast<std::size_t>(k) + 1));
        const std::string n = toText(k);
        const int16_t mode = differentValues ? node->mode() : commonMode;
        const int16_t speed = differentValues ? node->speed() : commonSpeed;
        const int16_t acceleration = differentValues ? node->acceleration() : commonAcceleration;
        body += "MODE[" + n + "]=" + toText(mode) + " 'mode" + kCrLf;
        body += "al[" + n + "]=" + toText(node->axis(static_cast<int16_t>(m))) + " 'position" + kCrLf;
        body += "VEL[" + n + "]=" + toText(speedOf(m, speed)) + " 'speed" + kCrLf;
        body += "ACC[" + n + "]=" + toText(accelerationOf(m, acceleration)) + " 'acceleration" + kCrLf;
        body += kCrLf;
    }
    body += kCrLf;
    writeDravoSmp(smpName, body);
}

// ------------------------------------------------------------ MMP

void ProgramData::generateMMP(const std::string& fullProgramName, const std::string& bodyString,
                              const std::string& appendString) {
    writeFile(fullProgramName, readTemplate("mmp_pre_template.txt") + kCrLf + bodyString + kCrLf +
                                   readTemplate("mmp_post_template.txt") + kCrLf + appendString);
}

}  // namespace vek
