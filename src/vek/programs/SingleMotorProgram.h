#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "vek/comm/engine/ProgramErrors.h"
#include "vek/comm/engine/ProgramScanner.h"
#include "vek/foundation/Collection.h"

namespace vek {

class Error;
class IMotor;
class LinearSlides;

// Turns a program file written for one motor into what the motor runs,
// puts it into the motor, fetches it back, starts and stops it. The motor
// is named by the file: base + "_" + motor number + "." + three letters
// (prog_2.smp); the compiled file is the same name with ".smx".
// SmartMotor-family programs go through vek's program scanner; Dravo-family
// programs are checked and converted here.
class SingleMotorProgram {
public:
    // `slides` gives the façade whose motors the programs are for, until
    // init hands over one of its own (null: none yet).
    explicit SingleMotorProgram(std::function<std::shared_ptr<LinearSlides>()> slides = {});
    ~SingleMotorProgram();
    SingleMotorProgram(const SingleMotorProgram&) = delete;
    SingleMotorProgram& operator=(const SingleMotorProgram&) = delete;

    void init(std::shared_ptr<LinearSlides> ls);
    std::string getModeName(int16_t modeNumber);
    // No object when the program is correct (its compiled file is written
    // then); otherwise a record of the fault: the scanner's last entry, the
    // first line a Dravo program cannot use ("Invalid format"), or code 0
    // with what kept the build from starting. Raises nothing.
    std::shared_ptr<Error> build(const std::string& program);
    bool download(int32_t motorIndex, const std::string& sourceFile);
    std::string getDownloadProgramName(const std::string& sourceProgramName);
    bool upload(int32_t motorIndex, const std::string& destinationFile);
    bool run(int32_t motorIndex);
    bool StopProgram(int32_t motorIndex);
    // The message of a scanner code; error 5 for a number that is no code.
    std::string getErrorMessage(int16_t errorCode);
    int32_t getMotorIndexFromFilePath(const std::string& filePath);

private:
    std::shared_ptr<Error> buildSmartMotor(const std::string& program);
    std::shared_ptr<Error> buildDravo(const std::string& program);
    // The connected axis at `motorIndex`; error 9 when there is none.
    std::shared_ptr<IMotor> motor(int32_t motorIndex) const;
    int32_t motorCount() const;
    // Runs `action` on the motor; false (and the failure in the log) when
    // anything fails.
    template <typename Action>
    bool onMotor(int32_t motorIndex, const char* what, Action action);

    std::shared_ptr<LinearSlides> slides() const;

    std::function<std::shared_ptr<LinearSlides>()> source_;
    std::shared_ptr<LinearSlides> slides_;
    ProgramScanner scanner_;
    Collection<std::string> messages_;
};

}  // namespace vek
