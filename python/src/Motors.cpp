// Axes, their status word, unit conversion and homing.
#include "Binding.h"
#include "vek/motors/Calibration.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/Measurement.h"
#include "vek/motors/MotorContext.h"
#include "vek/motors/MotorStatus.h"

namespace vekpy {

namespace {

using vek::IMotor;

void bindMotor(py::module_& m) {
    py::class_<IMotor, std::shared_ptr<IMotor>> motor(m, "Motor", doc("IMotor"));
    readWrite(motor, "name", &IMotor::name, &IMotor::setName, nullptr);
    readOnly(motor, "motorType", &IMotor::motorType);
    readOnly(motor, "motorTypeAsString", &IMotor::motorTypeAsString);
    readOnly(motor, "position", &IMotor::position);
    readOnly(motor, "velocity", &IMotor::velocity);
    readOnly(motor, "temperature", &IMotor::temperature);
    method(motor, "isHomed", &IMotor::isHomed);
    method(motor, "isMoving", &IMotor::isMoving);
    method(motor, "hasFault", &IMotor::hasFault);
    method(motor, "isServoOff", &IMotor::isServoOff);
    method(motor, "goToPosition", &IMotor::goToPosition, py::arg("newPosition"),
           py::arg("newVelocity") = vek::NOT_GIVEN, py::arg("newAcceleration") = vek::NOT_GIVEN);
    method(motor, "goToRelativePosition", &IMotor::goToRelativePosition, py::arg("newRelativePosition"),
           py::arg("newVelocity") = vek::NOT_GIVEN, py::arg("newAcceleration") = vek::NOT_GIVEN);
    method(motor, "StopMotion", &IMotor::StopMotion, py::arg("decelerate"));
    method(motor, "WaitForStop", &IMotor::WaitForStop, py::arg("timeOutSeconds") = -1, py::arg("ignoreFault") = false);
    method(motor, "getInputState", &IMotor::getInputState, py::arg("inputNumber"));
    method(motor, "getOutputState", &IMotor::getOutputState, py::arg("outputNumber"));
    method(motor, "setOutputState", &IMotor::setOutputState, py::arg("outputNumber"), py::arg("state"));
    method(motor, "getResponseOf", &IMotor::getResponseOf, py::arg("command"));
    method(motor, "toString", &IMotor::toString);
    motor.def("__repr__", [](IMotor& self) { return "<vek.Motor " + self.name() + ">"; });
    bindCollection<std::shared_ptr<IMotor>>(m, "MotorCollection");

    using vek::MotorStatus;
    py::class_<MotorStatus, std::shared_ptr<MotorStatus>> status(m, "MotorStatus", doc("MotorStatus"));
    readOnly(status, "status", &MotorStatus::status);
    readOnly(status, "motor", &MotorStatus::motor);
    readOnly(status, "Calibration", &MotorStatus::Calibration);
    readWrite(status, "MaxCurrent", &MotorStatus::MaxCurrent, &MotorStatus::setMaxCurrent);
    readWrite(status, "MaxPositionError", &MotorStatus::MaxPositionError, &MotorStatus::setMaxPositionError);
    for (const auto& [name, bit] :
         std::initializer_list<std::pair<const char*, bool (MotorStatus::*)() const>>{{"Bt", &MotorStatus::Bt},
                                                                                      {"Br", &MotorStatus::Br},
                                                                                      {"Bl", &MotorStatus::Bl},
                                                                                      {"Bi", &MotorStatus::Bi},
                                                                                      {"Bw", &MotorStatus::Bw},
                                                                                      {"Be", &MotorStatus::Be},
                                                                                      {"Bh", &MotorStatus::Bh},
                                                                                      {"Bo", &MotorStatus::Bo},
                                                                                      {"Bx", &MotorStatus::Bx},
                                                                                      {"Bp", &MotorStatus::Bp},
                                                                                      {"Bm", &MotorStatus::Bm},
                                                                                      {"Bd", &MotorStatus::Bd},
                                                                                      {"Bu", &MotorStatus::Bu},
                                                                                      {"Bs", &MotorStatus::Bs},
                                                                                      {"Ba", &MotorStatus::Ba},
                                                                                      {"Bk", &MotorStatus::Bk}})
        status.def_property_readonly(name, bit, doc(std::string("MotorStatus.") + name));
}

void bindMeasurement(py::module_& m) {
    using vek::Measurement;
    py::class_<Measurement, std::shared_ptr<Measurement>> c(m, "Measurement", doc("Measurement"));
    // The unit arguments that C++ writes back (mm replaced by degrees for a
    // rotary motor) are plain values here; the converted value is returned.
    using Convert = double (Measurement::*)(int16_t&, int16_t&, double, double, int16_t);
    for (const auto& [name, convert] :
         std::initializer_list<std::pair<const char*, Convert>>{{"getPosition", &Measurement::getPosition},
                                                                {"getVelocity", &Measurement::getVelocity},
                                                                {"getAcceleration", &Measurement::getAcceleration}}) {
        method(
            c, name,
            [convert = convert](Measurement& self, int16_t fromUnits, int16_t toUnits, double value, double pitch,
                                int16_t motorType) {
                return (self.*convert)(fromUnits, toUnits, value, pitch, motorType);
            },
            py::arg("fromUnits"), py::arg("toUnits"), py::arg("value"), py::arg("pitch"), py::arg("motorType"));
    }
    method(c, "getTime", &Measurement::getTime, py::arg("fromUnits"), py::arg("toUnits"), py::arg("time"));
    method(c, "getPositionUnit", &Measurement::getPositionUnit, py::arg("motorType"), py::arg("getDefault") = false,
           py::arg("argUnit") = vek::NOT_GIVEN);
    method(c, "getVelocityUnit", &Measurement::getVelocityUnit, py::arg("motorType"),
           py::arg("argUnit") = vek::NOT_GIVEN);
    method(c, "getAccelerationUnit", &Measurement::getAccelerationUnit, py::arg("motorType"),
           py::arg("argUnit") = vek::NOT_GIVEN);
    method(c, "getTimeUnit", &Measurement::getTimeUnit, py::arg("argUnit") = vek::NOT_GIVEN);
}

void bindCalibration(py::module_& m) {
    using vek::Calibration;
    py::class_<Calibration, std::shared_ptr<Calibration>> c(m, "Calibration", doc("Calibration"));
    method(c, "homeMotor", &Calibration::homeMotor, py::arg("motorIndex"), py::arg("direction") = -1,
           py::arg("force") = false, py::arg("speed") = -1.0, py::arg("acceleration") = -1.0);
    method(c, "invalidateHoming", &Calibration::invalidateHoming, py::arg("motorIndex"));
    method(c, "getTuningValue", &Calibration::getTuningValue, py::arg("motorIndex"), py::arg("which"));
    method(c, "setTuningValue", &Calibration::setTuningValue, py::arg("motorIndex"), py::arg("which"),
           py::arg("value"));
    method(c, "downloadTuningValuesToAllMotors", &Calibration::downloadTuningValuesToAllMotors);
    method(c, "isHomed", &Calibration::isHomed, py::arg("motorIndex") = 0);
    c.def_property_readonly(
        "statusChanged", [](Calibration & self) -> auto& { return self.statusChanged; },
        py::return_value_policy::reference_internal, doc("Calibration.statusChanged"));
}

}  // namespace

void bindMotors(py::module_& m) {
    bindMotor(m);
    bindMeasurement(m);
    bindCalibration(m);
}

}  // namespace vekpy
