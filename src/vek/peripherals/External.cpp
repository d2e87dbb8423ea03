#include "vek/peripherals/External.h"

#include <dlfcn.h>

#include <map>
#include <stdexcept>

#include "vek/foundation/Convert.h"
#include "vek/foundation/Log.h"

namespace vek {

namespace {

constexpr uint8_t kNetwork = 1;
constexpr uint8_t kModule = 1;

// Networks, devices, modules and channels are numbered in bytes.
bool isByte(int16_t number) {
    return number >= 0 && number <= 255;
}

struct LoadedDriver {
    LoadCellDriver functions;
    bool loaded = false;
};

// One entry per driver name, kept for the life of the process: like the
// driver it stands for, a library is loaded (or found missing) only once.
std::map<std::string, LoadedDriver>& loadedDrivers() {
    static auto* drivers = new std::map<std::string, LoadedDriver>();
    return *drivers;
}

// Ends the driver's use: says why when there is a reason, then lets the
// driver release what it holds.
void endDriver(const LoadCellDriver& driver, const std::string& reason) {
    if (!reason.empty()) logAt(LogLevel::Error, "We are ending the program because " + reason);
    if (driver.CloseDriverAndReleaseDriverRam) driver.CloseDriverAndReleaseDriverRam();
}

template <typename Function>
bool bind(void* library, const char* name, Function& function, std::string& missing) {
    function = reinterpret_cast<Function>(::dlsym(library, name));
    if (!function && missing.empty()) missing = name;
    return function != nullptr;
}

// The built-in driver: fields per channel, and a cell without load reading
// its offset.
std::map<uint32_t, float>& simulatedFields() {
    static auto* fields = new std::map<uint32_t, float>();
    return *fields;
}

uint32_t simulatedKey(uint8_t device, uint8_t channel, int32_t group, int32_t field) {
    return (uint32_t{device} << 24) | (uint32_t{channel} << 16) | ((static_cast<uint32_t>(-group) & 0xff) << 8) |
           (static_cast<uint32_t>(field) & 0xff);
}

struct SimulatedChannel {
    uint8_t device;
    uint8_t channel;
};

}  // namespace

LoadCellDriver LoadCellDriver::open(const std::string& name, std::string& missing) {
    missing.clear();
    void* library = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) {
        logAt(LogLevel::DEVELOPER, [&] { return "Load cell driver: " + std::string(::dlerror()); });
        missing = "the library";
        return {};
    }
    LoadCellDriver d;
    bind(library, "Load_instruNet_Driver", d.Load_instruNet_Driver, missing);
    bind(library, "CloseDriverAndReleaseDriverRam", d.CloseDriverAndReleaseDriverRam, missing);
    bind(library, "LoadChannelAddress", d.LoadChannelAddress, missing);
    bind(library, "SetFieldValue_iNet", d.SetFieldValue_iNet, missing);
    bind(library, "GetField_flt32", d.GetField_flt32, missing);
    if (!missing.empty()) {
        ::dlclose(library);
        return {};
    }
    // Kept loaded for the life of the process, as the functions are.
    return d;
}

LoadCellDriver LoadCellDriver::simulated() {
    LoadCellDriver d;
    d.Load_instruNet_Driver = [] { return int32_t{0}; };
    d.CloseDriverAndReleaseDriverRam = [] { simulatedFields().clear(); };
    d.LoadChannelAddress = [](uint8_t, uint8_t device, uint8_t, uint8_t channel, void** address) {
        static std::map<uint16_t, SimulatedChannel> channels;
        auto& found = channels[static_cast<uint16_t>((device << 8) | channel)];
        found = {device, channel};
        *address = &found;
        return int32_t{0};
    };
    d.SetFieldValue_iNet = [](uint8_t, uint8_t device, uint8_t, uint8_t channel, int32_t group, int32_t field,
                              float value) {
        simulatedFields()[simulatedKey(device, channel, group, field)] = value;
        return int32_t{0};
    };
    d.GetField_flt32 = [](void* address, int32_t, int32_t, int32_t* status) {
        const auto* channel = static_cast<const SimulatedChannel*>(address);
        const auto& fields = simulatedFields();
        const auto offset = fields.find(simulatedKey(channel->device, channel->channel, -20, 6));
        *status = 0;
        return offset == fields.end() ? 0.0f : offset->second;
    };
    return d;
}

External::External(std::string driverName) : driverName_(std::move(driverName)) {
    logAt(LogLevel::DEVELOPER, "Initializing External subsystem");
}

External::~External() = default;

const LoadCellDriver& External::driver() {
    auto [entry, first] = loadedDrivers().try_emplace(driverName_);
    LoadedDriver& driver = entry->second;
    if (!first) return driver.functions;
    std::string missing;
    driver.functions =
        driverName_ == SIMULATED_DRIVER ? LoadCellDriver::simulated() : LoadCellDriver::open(driverName_, missing);
    if (missing.empty() && driver.functions.Load_instruNet_Driver() == 0) return driver.functions;
    if (!missing.empty() && missing != "the library")
        logAt(LogLevel::Error, "The load cell driver " + driverName_ + " lacks the function " + missing + ".");
    endDriver(driver.functions, "Cannot Load instruNet Driver (is file '" + driverName_ + "' not installed?).");
    driver.functions = {};
    return driver.functions;
}

bool External::InitializeLoadCell(int16_t deviceNumber, int16_t channelNumber, float offsetFactor, float scaleFactor,
                                  double integralTimeInSeconds) {
    struct Field {
        int32_t group;
        int32_t field;
        float value;
    };
    // Sensor type, bridge, excitation and ranges, then the integration time
    // and the scaling: the driver takes them in this order.
    const Field fields[] = {
        {-3, 1, 16.0f},
        {-3, 5, 4.0f},
        {-3, 2, 5.0f},
        {-3, 3, 1.0f},
        {-3, 4, static_cast<float>(integralTimeInSeconds)},
        {-4, 1, 350.0f},
        {-4, 5, 45.3592f},
        {-4, 2, 5000.0f},
        {-4, 6, 0.0f},
        {-4, 3, 4.5f},
        {-4, 7, 0.0000441f},
        {-4, 4, 0.0f},
        {-4, 8, 0.32f},
        {-20, 6, offsetFactor},
        {-20, 5, scaleFactor},
    };
    const LoadCellDriver& d = driver();
    bool ok = d.SetFieldValue_iNet != nullptr && isByte(deviceNumber) && isByte(channelNumber);
    for (const Field& f : fields) {
        if (!ok) break;
        ok = d.SetFieldValue_iNet(kNetwork, static_cast<uint8_t>(deviceNumber), kModule,
                                  static_cast<uint8_t>(channelNumber), f.group, f.field, f.value) == 0;
    }
    if (!ok) logAt(LogLevel::Error, "Failed to initialize loadcell.");
    return ok;
}

float External::GetLoadCellReading(int16_t deviceNumber, int16_t channelNumber) {
    const LoadCellDriver& d = driver();
    void* address = nullptr;
    if (!d.LoadChannelAddress || !isByte(deviceNumber) || !isByte(channelNumber) ||
        d.LoadChannelAddress(kNetwork, static_cast<uint8_t>(deviceNumber), kModule, static_cast<uint8_t>(channelNumber),
                             &address) != 0) {
        logAt(LogLevel::Error, "Failed to open channel " + toText(channelNumber));
        address = nullptr;
    }
    int32_t status = -1;
    float value = 0;
    // A channel that could not be opened is not handed to the driver.
    if (address && d.GetField_flt32) value = d.GetField_flt32(address, -6, 1, &status);
    if (status != 0) {
        logAt(LogLevel::Error, "Failed to read from channel " + toText(channelNumber));
        value = 0;
    }
    return value;
}

void External::FinalizeLoadCell() {
    endDriver(driver(), {});
}

}  // namespace vek
