// The command layer of user programs: Commands and DevCommands.
#include "vek/commands/Commands.h"

#include "Binding.h"
#include "vek/commands/DevCommands.h"
#include "vek/geometry/Path.h"
#include "vek/geometry/Point.h"
#include "vek/motors/MotorStatus.h"
#include "vek/persistence/DataSet.h"

namespace vekpy {

namespace {

using py::arg;
using vek::Commands;

void bindMotionCommands(py::class_<Commands, std::shared_ptr<Commands>>& c) {
    method(c, "LogMessage", &Commands::LogMessage, arg("message"), arg("level") = 1);
    method(c, "MotorStatus", &Commands::MotorStatus, arg("motorIndex"));
    method(c, "WaitForStop", &Commands::WaitForStop, arg("motorIndex") = 0, arg("monitorMotorIndex") = -1,
           arg("monitorInputSwitch") = "", arg("monitorInputSwitchStatus") = 1, arg("decelerate") = true,
           arg("timeOutSeconds") = -1);
    method(c, "StopMotion", &Commands::StopMotion, arg("motorIndex") = 0, arg("decelerate") = true);
    method(c, "DoRelativeMove", &Commands::DoRelativeMove, arg("motorIndex"), arg("relativeMoveDistance"), arg("speed"),
           arg("acceleration"));
    method(c, "DoPositionMove", &Commands::DoPositionMove, arg("motorIndex"), arg("absolutePosition"), arg("speed"),
           arg("acceleration"));
    method(c, "DoVelocityMove", &Commands::DoVelocityMove, arg("motorIndex"), arg("direction"), arg("speed"),
           arg("acceleration"));
    method(c, "DoLine", &Commands::DoLine, arg("toPoint"), arg("speed"), arg("acceleration"));
    method(c, "DoPath", &Commands::DoPath, arg("Path"), arg("speed"), arg("acceleration"), arg("cornerRadius") = 0.0);
    method(c, "AppendPaths", &Commands::AppendPaths, arg("first"), arg("second") = nullptr);
    method(c, "BeginningPathPoint", &Commands::BeginningPathPoint, arg("Path"));
    method(c, "CurrentPoint", &Commands::CurrentPoint);
    method(c, "Calibrate", &Commands::Calibrate, arg("motorIndex") = 0, arg("direction") = -1, arg("force") = false,
           arg("speed") = -1.0, arg("acceleration") = -1.0);
    method(c, "Reset", &Commands::Reset);
    method(c, "SetServoOff", &Commands::SetServoOff, arg("motorIndex"), arg("autoBrake") = true);
    method(c, "RunDiagnostics", &Commands::RunDiagnostics);
}

void bindOtherCommands(py::class_<Commands, std::shared_ptr<Commands>>& c) {
    method(c, "WaitForSwitch", &Commands::WaitForSwitch, arg("motorIndex"), arg("inputSwitch"), arg("status"),
           arg("timeOutSeconds") = -1);
    method(c, "SetSwitch", &Commands::SetSwitch, arg("motorIndex"), arg("outputSwitch"), arg("status"));
    method(c, "CheckSwitch", &Commands::CheckSwitch, arg("motorIndex"), arg("switchName"), arg("isInputSwitch") = true);
    method(c, "SaveValue", &Commands::SaveValue, arg("key"), arg("value"), arg("isPersistence") = false);
    method(c, "GetValue", &Commands::GetValue, arg("key"));
    method(c, "RemoveValue", &Commands::RemoveValue, arg("key"));
    method(c, "StartTimer", &Commands::StartTimer, arg("timerKey"));
    method(c, "ElapsedTimer", &Commands::ElapsedTimer, arg("timerKey"), arg("resetTimer") = false);
    method(c, "ShiftAxis", &Commands::ShiftAxis, arg("xShift") = 0.0, arg("yShift") = 0.0, arg("zShift") = 0.0,
           arg("isChained") = false);
    method(c, "RotateAxis", &Commands::RotateAxis, arg("angle") = 0.0, arg("aroundAxis") = 1, arg("isChained") = false);
    method(c, "RotateAxisAroundPoint", &Commands::RotateAxisAroundPoint, arg("aroundPoint") = nullptr,
           arg("angle") = 0.0, arg("aroundAxis") = 1, arg("isChained") = false);
    method(c, "ScaleAxis", &Commands::ScaleAxis, arg("xScale") = 1.0, arg("yScale") = 1.0, arg("zScale") = 1.0,
           arg("isChained") = false);
    method(c, "ReversePath", &Commands::ReversePath, arg("xReverse") = true, arg("yReverse") = true,
           arg("zReverse") = true);
    method(c, "ReflectAxis", &Commands::ReflectAxis, arg("xReflection") = false, arg("yReflection") = false,
           arg("zReflection") = false, arg("isChained") = false);
    method(c, "ApplyTransformation", &Commands::ApplyTransformation);
    method(c, "ApplyTransformationToDataset", &Commands::ApplyTransformationToDataset, arg("tmpDataset"));
    method(c, "ApplyTransformationToPath", &Commands::ApplyTransformationToPath, arg("tmpPath"));
    method(c, "ApplyTransformationToPoint", &Commands::ApplyTransformationToPoint, arg("tmpPoint"));
    method(c, "CurrentCoordinateSystem", &Commands::CurrentCoordinateSystem, arg("systemName"));
    method(c, "MinOfPath", &Commands::MinOfPath, arg("Path"), arg("axis"));
    method(c, "MaxOfPath", &Commands::MaxOfPath, arg("Path"), arg("axis"));
    method(c, "StartProgram", &Commands::StartProgram, arg("programName"));
    method(c, "StopProgram", &Commands::StopProgram, arg("programName") = "");
    method(c, "SendMail", &Commands::SendMail, arg("smtpServer"), arg("recipient"), arg("message"));
    readOnly(c, "programStopRequested", &Commands::programStopRequested);
    c.def_property_readonly(
        "advancedCommandsEvent", [](Commands & self) -> auto& { return self.advancedCommandsEvent; },
        py::return_value_policy::reference_internal, doc("Commands.advancedCommandsEvent"));
    c.def_property_readonly(
        "pathEvent", [](Commands & self) -> auto& { return self.pathEvent; },
        py::return_value_policy::reference_internal, doc("Commands.pathEvent"));
}

}  // namespace

void bindCommands(py::module_& m) {
    py::class_<Commands, std::shared_ptr<Commands>> c(m, "Commands", doc("Commands"));
    bindMotionCommands(c);
    bindOtherCommands(c);

    using vek::DevCommands;
    py::class_<DevCommands, std::shared_ptr<DevCommands>> dev(m, "DevCommands", doc("DevCommands"));
    method(dev, "WriteSmartMotorCommand", &DevCommands::WriteSmartMotorCommand, arg("motorIndex"), arg("motorCommand"));
    method(dev, "ReadSmartMotorResponse", &DevCommands::ReadSmartMotorResponse);
}

}  // namespace vekpy
