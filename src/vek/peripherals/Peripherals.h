#pragma once
#include "vek/peripherals/IOData.h"

namespace vek {

// The peripherals' composition (Peripherals.cpp) registers two places of the
// façade's database step: the operator panel (DatabasePlace::HMI), with its
// Modbus slave opened on the configured "hmiPort" (502 unless configured; 0:
// a free port) and its values loaded and published, and the external I/O
// (DatabasePlace::IO_DATA), simulated when "softwareMotors" is non-zero.

// The device the database step hands IOData. By default a Modbus TCP I/O
// coupler at "ioIP"; a host or a test may put another in its place (an
// empty factory restores the default).
void setIODeviceFactory(IOData::DeviceFactory factory);

}  // namespace vek
