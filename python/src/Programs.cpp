// Programs that run inside the motors, as a user program reaches them
// through Server.
#include "Binding.h"
#include "vek/geometry/Node.h"
#include "vek/programs/ProgramData.h"
#include "vek/programs/SingleMotorProgram.h"

namespace vekpy {

using py::arg;

void bindPrograms(py::module_& m) {
    using vek::SingleMotorProgram;
    py::class_<SingleMotorProgram, std::shared_ptr<SingleMotorProgram>> p(m, "SingleMotorProgram",
                                                                          doc("SingleMotorProgram"));
    method(p, "download", &SingleMotorProgram::download, arg("motorIndex"), arg("sourceFile"));
    method(p, "upload", &SingleMotorProgram::upload, arg("motorIndex"), arg("destinationFile"));
    method(p, "run", &SingleMotorProgram::run, arg("motorIndex"));
    method(p, "StopProgram", &SingleMotorProgram::StopProgram, arg("motorIndex"));
    method(p, "getErrorMessage", &SingleMotorProgram::getErrorMessage, arg("errorCode"));
    method(p, "getMotorIndexFromFilePath", &SingleMotorProgram::getMotorIndexFromFilePath, arg("filePath"));

    using vek::ProgramData;
    py::class_<ProgramData, std::shared_ptr<ProgramData>> d(m, "ProgramData", doc("ProgramData"));
    method(d, "isValidProgramName", &ProgramData::isValidProgramName, arg("programName"));
    method(d, "isExistingProgramName", &ProgramData::isExistingProgramName, arg("programPath"));
    method(d, "generateSMP", &ProgramData::generateSMP, arg("motorIndex"), arg("fullProgramName"));
    method(d, "generateMMP", &ProgramData::generateMMP, arg("fullProgramName"), arg("bodyString"), arg("appendString"));
    method(d, "generateBCD", &ProgramData::generateBCD, arg("nodes"), arg("fullProgramName"), arg("validBCDPoints"),
           arg("differentValues"), arg("commonMode"), arg("commonSpeed"), arg("commonAcceleration"));
}

}  // namespace vekpy
