#pragma once
#include <cstdint>
#include <string>

#include "vek/peripherals/LoadCellDriver.h"

namespace vek {

// A strain-gauge load cell on one channel of a data-acquisition driver
// (network 1, device, module 1, channel). The driver is a shared library
// loaded by name (see LoadCellDriver.h) before the first use; each driver
// name is tried once per process, so a missing driver is reported once and
// leaves the load cell unusable. Nothing is raised: failures are logged and
// answered with false or a zero reading.
class External {
public:
    // The name the database's "loadCellDriver" setting replaces, and the
    // name that selects the driver built into vek.
    static constexpr const char* DEFAULT_DRIVER = "libinet32.so";
    static constexpr const char* SIMULATED_DRIVER = "simulated";

    explicit External(std::string driverName = DEFAULT_DRIVER);
    ~External();
    External(const External&) = delete;
    External& operator=(const External&) = delete;

    // Configures the channel for a bridge sensor; false (logged) on any
    // failure.
    bool InitializeLoadCell(int16_t deviceNumber, int16_t channelNumber, float offsetFactor = 0,
                            float scaleFactor = 2.204f, double integralTimeInSeconds = 0.016666);
    // The calibrated force on the channel; 0 when nothing could be read.
    float GetLoadCellReading(int16_t deviceNumber, int16_t channelNumber);
    // Closes the driver.
    void FinalizeLoadCell();

    // --- library-internal ---
    const std::string& driverName() const { return driverName_; }

private:
    // The process's driver of this name, loaded at its first use; null
    // functions when it could not be loaded.
    const LoadCellDriver& driver();

    std::string driverName_;
};

}  // namespace vek
