#include "vek/peripherals/IOData.h"

#include <exception>

#include "vek/foundation/Convert.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/Text.h"
#include "vek/peripherals/ModbusIODevice.h"

namespace vek {

namespace {

void logNoDevice() {
    logAt(LogLevel::WARNING, "No external device is found.");
}

}  // namespace

IOData::IOData(std::shared_ptr<Database> database, const Configuration& configuration, DeviceFactory makeDevice)
    : IODataBase(std::move(database), configuration) {
    auto inputBlocks = [this] { return ioInBlocks(); };
    device_ = makeDevice ? makeDevice(ioIP(), inputBlocks) : std::make_shared<ModbusIODevice>(ioIP(), inputBlocks);
    discover();
}

bool IOData::sameAddress(const std::string& deviceAddress, const std::string& configured) {
    const auto device = splitTokens(deviceAddress, ".");
    const auto wanted = splitTokens(configured, ".");
    if (wanted.size() < device.size()) return false;
    for (std::size_t i = 0; i < device.size(); ++i)
        if (trim(device[i]) != trim(wanted[i])) return false;
    return true;
}

void IOData::discover() {
    logAt(LogLevel::info, "Initializing External IO Subsystem");
    setExternalDeviceFound(false);
    if (ioIP().empty() || !device_) return;
    try {
        const int32_t count = device_->deviceCount();
        logAt(LogLevel::info, std::to_string(count) + " external IODevice(s) detected.");
        for (int32_t i = 0; i < count; ++i) {
            const std::string deviceIP = device_->deviceAddress(i);
            if (sameAddress(deviceIP, ioIP())) {
                logAt(LogLevel::info, "Configured IP address " + ioIP() +
                                          " is same as a device IP found on the network. Using the device for "
                                          "external IOs.");
                device_->selectDevice(i);
                setExternalDeviceFound(true);
                return;
            }
            logAt(LogLevel::WARNING, "Configured IP address " + ioIP() + " is not same as the device IP " + deviceIP +
                                         " found on the network.");
        }
    } catch (const std::exception& e) {
        logAt(LogLevel::Error,
              std::string("Error encountered while initializing controls (check IWXEBCComm.ocx) -> ") + e.what());
    }
}

bool IOData::readBit(int16_t block, int16_t bit) {
    requireLive();
    if (!externalDeviceFound() || !device_) {
        logNoDevice();
        return false;
    }
    const auto state = device_->readBit(block, bit);
    if (!state) logNoDevice();
    return state.value_or(false);
}

bool IOData::getInputState(int16_t inputNumber) {
    return readBit(inputBlock(inputNumber), bitOf(inputNumber));
}

bool IOData::getOutputState(int16_t outputNumber) {
    return readBit(outputBlock(outputNumber), bitOf(outputNumber));
}

void IOData::setOutputState(int16_t outputNumber, bool state) {
    requireLive();
    if (!externalDeviceFound() || !device_ || !device_->writeBit(outputBlock(outputNumber), bitOf(outputNumber), state))
        logNoDevice();
}

void IOData::shutDown() {
    device_.reset();
    IODataBase::shutDown();
}

}  // namespace vek
