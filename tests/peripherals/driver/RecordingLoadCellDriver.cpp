// A load-cell driver for the tests: exports the five functions vek loads,
// records every call, and fails where the test says. Built once complete
// and once without GetField_flt32.
#include <cstdint>
#include <cstring>
#include <string>

#include "vek/foundation/Convert.h"
#include "vek/peripherals/LoadCellDriver.h"

namespace {
std::string calls;
std::string failing;
uint8_t channelOf[256];
void record(const std::string& call) {
    calls += (calls.empty() ? "" : "|") + call;
}
bool fails(const char* function) {
    return failing.find(function) != std::string::npos;
}
}  // namespace

extern "C" {

int32_t Load_instruNet_Driver() {
    record("load");
    return fails("load") ? 1 : 0;
}

void CloseDriverAndReleaseDriverRam() {
    record("close");
}

int32_t LoadChannelAddress(uint8_t network, uint8_t device, uint8_t module, uint8_t channel, void** address) {
    record("address " + vek::toText(network) + "," + vek::toText(device) + "," + vek::toText(module) + "," +
           vek::toText(channel));
    if (fails("address")) return 7;
    *address = &channelOf[channel];
    return 0;
}

int32_t SetFieldValue_iNet(uint8_t network, uint8_t device, uint8_t module, uint8_t channel, int32_t group,
                           int32_t field, float value) {
    record(vek::toText(network) + "," + vek::toText(device) + "," + vek::toText(module) + "," + vek::toText(channel) +
           " " + vek::toText(group) + "/" + vek::toText(field) + "=" + vek::toText(value));
    return fails("set") ? 3 : 0;
}

#ifndef WITHOUT_GET_FIELD
float GetField_flt32(void* address, int32_t group, int32_t field, int32_t* status) {
    const auto channel = static_cast<uint8_t*>(address) - channelOf;
    record("read " + std::to_string(channel) + " " + vek::toText(group) + "/" + vek::toText(field));
    *status = fails("read") ? 5 : 0;
    return fails("read") ? 99.0f : 12.5f + static_cast<float>(channel);
}
#endif

// For the tests: the calls so far (then forgotten), and which calls fail
// from now on ("load", "address", "set", "read", space-separated).
const char* recordedLoadCellCalls() {
    static std::string taken;
    taken.swap(calls);
    calls.clear();
    return taken.c_str();
}

void failLoadCellCalls(const char* which) {
    failing = which;
}
}

static_assert(std::is_same_v<decltype(&Load_instruNet_Driver), vek::LoadCellDriver::Load>);
static_assert(std::is_same_v<decltype(&LoadChannelAddress), vek::LoadCellDriver::ChannelAddress>);
static_assert(std::is_same_v<decltype(&SetFieldValue_iNet), vek::LoadCellDriver::SetField>);
#ifndef WITHOUT_GET_FIELD
static_assert(std::is_same_v<decltype(&GetField_flt32), vek::LoadCellDriver::GetField>);
#endif
