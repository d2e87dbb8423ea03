#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "vek/foundation/Collection.h"
#include "vek/motors/MotorContext.h"

namespace vek {

class Configuration;
class Measurement;
class MotorData;
class Node;
class SlideData;

namespace BCDConstants {
enum Value : int32_t {
    BCD_MAX_NODES_SAME = 100,
    BCD_MAX_NODES_DIFFERENT = 12,
    BCD_MODE_ABSOLUTE = 0,
    BCD_MODE_RELATIVE = 1,
    BCD_COMMON_SPEED_DEFAULT = 10,
    BCD_COMMON_ACCELERATION_DEFAULT = 10,
    BCD_COMMON_MODE_DEFAULT = 0,
};
}  // namespace BCDConstants

namespace ProgramTypeConstants {
enum Value : int32_t { BCD = 0, VEK = 1, SMP = 2 };
}  // namespace ProgramTypeConstants

// Writes the text programs that run inside the motors: a per-motor program
// (SMP) from fixed initialization lines, the axis's gains and the template
// files of the install's data folder; a table program (BCD) listing stored
// points for each motor; and a multi-motor program (MMP) around a body the
// caller gives. Lines end in CR LF; files are replaced.
class ProgramData {
public:
    // What generation reads, as the façade holds it at the moment of the
    // call: its axes and the loaded configuration (either null while there
    // is none).
    struct Sources {
        std::function<std::shared_ptr<const MotorCollection>()> axes;
        std::function<std::shared_ptr<Configuration>()> configuration;
    };

    ProgramData(Sources sources, std::shared_ptr<Measurement> measurement);
    ~ProgramData();
    ProgramData(const ProgramData&) = delete;
    ProgramData& operator=(const ProgramData&) = delete;

    bool isValidProgramName(const std::string& programName);
    bool isExistingProgramName(const std::string& programPath);
    // One SMP per motor, named after fullProgramName without its last four
    // characters, "_", the motor number and ".smp" (cut.bcd: cut_1.smp).
    void generateBCD(const std::shared_ptr<Collection<std::shared_ptr<Node>>>& nodes,
                     const std::string& fullProgramName, int16_t validBCDPoints, int16_t differentValues,
                     int16_t commonMode, int16_t commonSpeed, int16_t commonAcceleration);
    void generateSMP(int32_t motorIndex, const std::string& fullProgramName);
    void generateMMP(const std::string& fullProgramName, const std::string& bodyString,
                     const std::string& appendString);

private:
    void writeSmartMotorSmp(int32_t motorIndex, const std::string& fullProgramName, const std::string& body);
    static void writeDravoSmp(const std::string& fullProgramName, const std::string& body);
    void generateSmartMotorBcd(int32_t m, const Collection<std::shared_ptr<Node>>& nodes,
                               const std::string& fullProgramName, const std::string& smpName, int16_t validBCDPoints,
                               int16_t differentValues, int16_t commonMode, int16_t commonSpeed,
                               int16_t commonAcceleration);
    void generateDravoBcd(int32_t m, const Collection<std::shared_ptr<Node>>& nodes, const std::string& smpName,
                          int16_t validBCDPoints, int16_t differentValues, int16_t commonMode, int16_t commonSpeed,
                          int16_t commonAcceleration);
    std::string replacePlaceholders(std::string text, int32_t motorIndex);

    // The axes (error 9 while there are none), the configuration
    // (DATABASE_ERROR while none is loaded), an axis record and its slide
    // (error 9 for an axis the configuration does not have, 91 for an axis
    // without a slide).
    std::shared_ptr<const MotorCollection> axes() const;
    std::shared_ptr<Configuration> configuration() const;
    std::shared_ptr<MotorData> record(int32_t motorIndex) const;
    std::shared_ptr<SlideData> slide(int32_t motorIndex) const;
    // A percentage of the slide's top speed or acceleration in motor units.
    double speedOf(int32_t motorIndex, double percentage);
    double accelerationOf(int32_t motorIndex, double percentage);
    // A homing offset in mm as motor counts, rounded.
    int32_t countsOf(int32_t motorIndex, double mm);

    Sources sources_;
    std::shared_ptr<Measurement> measurement_;

    // Kept from the SmartMotor BCD step for the SMP it writes.
    std::string arrayType_ = "al";
    int32_t multiplyFactor_ = 1;
    int16_t differentValues_ = 0;
    int16_t commonMode_ = 0;
    int32_t commonSpeed_ = 0;
    int32_t commonAcceleration_ = 0;
};

}  // namespace vek
