#pragma once
#include <cstdint>
#include <string>

namespace vek {

// The load-cell driver: a shared library exporting five plain C functions
// under these names, with these signatures. A driver for another
// data-acquisition card only has to export the same five.
//
//   int32_t Load_instruNet_Driver(void)                      0 when loaded
//   void    CloseDriverAndReleaseDriverRam(void)
//   int32_t LoadChannelAddress(uint8_t network, uint8_t device, uint8_t module,
//                              uint8_t channel, void** address) 0 when found
//   int32_t SetFieldValue_iNet(uint8_t network, uint8_t device, uint8_t module,
//                              uint8_t channel, int32_t group, int32_t field,
//                              float value)                    0 when set
//   float   GetField_flt32(void* address, int32_t group, int32_t field,
//                          int32_t* status)                   status 0 when read
struct LoadCellDriver {
    using Load = int32_t (*)();
    using Close = void (*)();
    using ChannelAddress = int32_t (*)(uint8_t, uint8_t, uint8_t, uint8_t, void**);
    using SetField = int32_t (*)(uint8_t, uint8_t, uint8_t, uint8_t, int32_t, int32_t, float);
    using GetField = float (*)(void*, int32_t, int32_t, int32_t*);

    Load Load_instruNet_Driver = nullptr;
    Close CloseDriverAndReleaseDriverRam = nullptr;
    ChannelAddress LoadChannelAddress = nullptr;
    SetField SetFieldValue_iNet = nullptr;
    GetField GetField_flt32 = nullptr;

    // The driver named `name` (a file name, searched as dlopen searches, or
    // a path), every function bound; or the first thing missing in
    // `missing` ("the library" or the function's name) and no functions.
    static LoadCellDriver open(const std::string& name, std::string& missing);
    // A driver inside vek for a machine without a load cell: it takes every
    // field and reads a cell that carries no load (its offset).
    static LoadCellDriver simulated();
};

}  // namespace vek
