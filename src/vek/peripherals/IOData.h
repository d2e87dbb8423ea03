#pragma once
#include <functional>
#include <memory>
#include <string>

#include "vek/peripherals/IIODevice.h"
#include "vek/peripherals/IODataBase.h"

namespace vek {

// The external I/O on a device: inputs and outputs are bits of the device's
// 16-bit blocks (input n: block (n-1) div 16, outputs after the ioInBlocks
// input blocks; bit (n-1) mod 16). Without a found device, or when the
// device does not answer, reads give false and writes do nothing, each
// logging "No external device is found.".
class IOData : public IODataBase {
public:
    // Makes the device for the configured address; `inputBlocks` tells it
    // how many of its blocks are inputs (ioInBlocks, read at each call).
    using DeviceFactory =
        std::function<std::shared_ptr<IIODevice>(const std::string& ioIP, std::function<int16_t()> inputBlocks)>;

    // Construction as IODataBase, then discovery: the device found at
    // "ioIP", if any, becomes the one used. Without a factory the device is
    // a Modbus TCP I/O coupler (ModbusIODevice); a factory that gives none
    // leaves the I/O without a device.
    IOData(std::shared_ptr<Database> database, const Configuration& configuration, DeviceFactory makeDevice = {});

    bool getInputState(int16_t inputNumber) override;
    bool getOutputState(int16_t outputNumber) override;
    void setOutputState(int16_t outputNumber, bool state) override;
    void shutDown() override;

    // Whether two addresses name the same device: their "."-separated parts
    // are equal pairwise (each trimmed) over the parts of `deviceAddress`.
    static bool sameAddress(const std::string& deviceAddress, const std::string& configured);

private:
    void discover();
    bool readBit(int16_t block, int16_t bit);

    std::shared_ptr<IIODevice> device_;
};

}  // namespace vek
