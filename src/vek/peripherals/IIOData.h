#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vek/foundation/Collection.h"
#include "vek/peripherals/IO.h"

namespace vek {

using IOCollection = Collection<std::shared_ptr<IO>>;

// The external digital I/O: named inputs and outputs kept in the IO table,
// read and written by 1-based number within their type. Implemented by
// IOData (a Modbus TCP I/O coupler) and IODataSimulation (states in memory);
// the façade's database step makes one of them, and the command layer reads
// and writes switches through this interface only.
class IIOData {
public:
    virtual ~IIOData() = default;

    virtual bool externalDeviceFound() const = 0;
    virtual void setExternalDeviceFound(bool value) = 0;
    virtual const std::string& ioIP() const = 0;
    virtual void setIoIP(const std::string& value) = 0;
    virtual int16_t ioInBlocks() const = 0;
    virtual void setIoInBlocks(int16_t value) = 0;
    virtual int16_t ioOutBlocks() const = 0;
    virtual void setIoOutBlocks(int16_t value) = 0;
    // Indexed by IOTypes: 1 "Digital Input", 2 "Digital Output" (0 unused).
    virtual std::vector<std::string> ioTypeNames() const = 0;
    // The inputs (1) or outputs (2); null for any other type.
    virtual std::shared_ptr<IOCollection> ios(int16_t ioType) const = 0;
    virtual bool getInputState(int16_t inputNumber) = 0;
    virtual bool getOutputState(int16_t outputNumber) = 0;
    virtual void setOutputState(int16_t outputNumber, bool state) = 0;
    // 1-based position of the first output (input) named exactly `label`;
    // error 11 "Output IO <label> is not valid." ("Input IO ...") for none.
    virtual int16_t getOutputLabelIndex(const std::string& label) const = 0;
    virtual int16_t getInputLabelIndex(const std::string& label) const = 0;
    virtual void loadIOs() = 0;
    virtual void saveIOs() = 0;
    // Shut-down: closes the device link and lets go of the database; every
    // later call that needs either raises 91.
    virtual void shutDown() = 0;
};

}  // namespace vek
