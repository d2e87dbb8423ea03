// Programs that run inside the motors, as a user program reaches them
// through Server.
#include "Binding.h"
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
}

}  // namespace vekpy
