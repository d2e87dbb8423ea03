#include "vek/peripherals/ModbusIODevice.h"

#include <modbus/modbus.h>

#include <algorithm>
#include <cerrno>
#include <cmath>

#include "vek/foundation/Convert.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NetAddress.h"

namespace vek {

namespace {

// "host:port" apart; the port is 502 unless given after the one colon.
std::pair<std::string, std::string> hostAndPort(const std::string& address) {
    const auto colon = address.find(':');
    if (colon == std::string::npos || address.find(':', colon + 1) != std::string::npos) return {address, "502"};
    return {trim(address.substr(0, colon)), trim(address.substr(colon + 1))};
}

bool isModbusException(int error) {
    return error > MODBUS_ENOBASE && error <= EMBXGTAR;
}

}  // namespace

struct ModbusIODevice::Link {
    modbus_t* ctx = nullptr;
    bool open = false;
    ~Link() {
        if (!ctx) return;
        if (open) modbus_close(ctx);
        modbus_free(ctx);
    }
};

ModbusIODevice::ModbusIODevice(std::string address, std::function<int16_t()> inputBlocks, Timing timing)
    : address_(trim(address)), inputBlocks_(std::move(inputBlocks)), timing_(timing) {}

ModbusIODevice::~ModbusIODevice() = default;

bool ModbusIODevice::connected() {
    if (link_ && link_->open) return true;
    if (address_.empty() || eventLoop().now() < retryAt_) return false;
    retryAt_ = eventLoop().now() + timing_.retrySeconds;
    const auto [host, port] = hostAndPort(address_);
    // libmodbus bounds the connect but not the name lookup: resolve first.
    const std::string numeric = resolveHost(host, std::max(timing_.timeoutSeconds, 1.0));
    if (numeric.empty()) return false;
    auto link = std::make_unique<Link>();
    link->ctx = modbus_new_tcp_pi(numeric.c_str(), port.c_str());
    if (!link->ctx) return false;
    const double seconds = std::max(timing_.timeoutSeconds, 0.001);
    const auto whole = static_cast<uint32_t>(seconds);
    const auto micros = static_cast<uint32_t>(std::lround((seconds - whole) * 1e6));
    modbus_set_response_timeout(link->ctx, whole, micros);
    modbus_set_slave(link->ctx, 1);
    if (modbus_connect(link->ctx) != 0) return false;
    link->open = true;
    link_ = std::move(link);
    if (lost_) logAt(LogLevel::info, "External IO device " + address_ + " answers again.");
    lost_ = false;
    return true;
}

void ModbusIODevice::failed(const std::string& what, int error) {
    if (isModbusException(error)) {
        logAt(LogLevel::WARNING,
              "External IO device " + address_ + " refused " + what + ": " + modbus_strerror(error) + ".");
        return;
    }
    // A link that timed out may still deliver the late answer: start afresh.
    link_.reset();
    if (!lost_)
        logAt(LogLevel::WARNING,
              "External IO device " + address_ + " does not answer (" + what + "): " + modbus_strerror(error) + ".");
    lost_ = true;
}

int32_t ModbusIODevice::deviceCount() {
    retryAt_ = 0;
    if (!connected()) return 0;
    uint8_t bit = 0;
    if (modbus_read_input_bits(link_->ctx, 0, 1, &bit) == 1) return 1;
    const int error = errno;
    if (isModbusException(error)) return 1;
    link_.reset();
    return 0;
}

std::string ModbusIODevice::deviceAddress(int32_t) {
    return address_;
}

void ModbusIODevice::selectDevice(int32_t) {}

std::optional<bool> ModbusIODevice::readBit(int16_t block, int16_t bit) {
    if (!connected()) return std::nullopt;
    const bool input = block < inputBlocks_();
    const int address = block * 16 + bit;
    uint8_t state = 0;
    const int rc = input ? modbus_read_input_bits(link_->ctx, address, 1, &state)
                         : modbus_read_bits(link_->ctx, address, 1, &state);
    if (rc == 1) return state != 0;
    failed(std::string(input ? "input " : "coil ") + std::to_string(address), errno);
    return std::nullopt;
}

bool ModbusIODevice::writeBit(int16_t block, int16_t bit, bool state) {
    if (!connected()) return false;
    const int address = block * 16 + bit;
    if (modbus_write_bit(link_->ctx, address, state ? 1 : 0) == 1) return true;
    failed("coil " + std::to_string(address), errno);
    return false;
}

}  // namespace vek
