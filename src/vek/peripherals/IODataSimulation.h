#pragma once
#include "vek/peripherals/IODataBase.h"

namespace vek {

// The external I/O without a device: each configured input and output keeps
// its state in its IO object. Numbers count positions in the collections
// (1 = the first input or output as loaded); a number beyond them is a
// collection error (9).
class IODataSimulation : public IODataBase {
public:
    using IODataBase::IODataBase;

    bool getInputState(int16_t inputNumber) override;
    bool getOutputState(int16_t outputNumber) override;
    void setOutputState(int16_t outputNumber, bool state) override;
};

}  // namespace vek
