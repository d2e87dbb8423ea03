#pragma once
#include "vek/peripherals/IOData.h"

namespace vek {

class Runtime;

// The peripherals' part of the façade's database step, joined to it when
// the library is loaded (addDatabaseStep): the operator panel, with its
// Modbus slave opened on the configured "hmiPort" (502 unless configured;
// 0: a free port) and its values loaded and published, then the external
// I/O, simulated when "softwareMotors" is non-zero. Replaces the objects of
// an earlier load.
void createPeripherals(Runtime& rt);

// The device the database step hands IOData. By default a Modbus TCP I/O
// coupler at "ioIP"; a host or a test may put another in its place (an
// empty factory restores the default).
void setIODeviceFactory(IOData::DeviceFactory factory);

}  // namespace vek
