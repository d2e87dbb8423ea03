#include "vek/comm/Serial.h"

#include <cmath>

#include "vek/comm/engine/LineTransport.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

namespace {

std::map<int16_t, std::string>& portDevices() {
    static std::map<int16_t, std::string> devices;
    return devices;
}

void refuse(const std::string& what, const std::string& valid) {
    raiseInvalidArgument(what + valid);
}

void validate(int32_t baudRate, const std::string& parity, int16_t dataBits, double stopBit, int16_t handshake) {
    static const int32_t rates[] = {110, 300, 600, 1200, 2400, 9600, 14400, 19200, 28800, 38400, 56000, 128000, 256000};
    bool known = false;
    for (const int32_t r : rates) known = known || r == baudRate;
    if (!known)
        refuse("Invalid baudrate is specified.",
               "Valid values are 110, 300, 600, 1200, 2400, 9600 (default), 14400, 19200, 28800, 38400, 56000, "
               "128000 or 256000.");
    if (parity != "E" && parity != "M" && parity != "N" && parity != "O" && parity != "S")
        refuse("Invalid parity value is specified.", "Valid values are E, M, N (default), O or S.");
    if (dataBits < 4 || dataBits > 8)
        refuse("Invalid data bits value is specified.", "Valid values are 4, 5, 6, 7 or 8 (default).");
    if (stopBit != 1.0 && stopBit != 1.5 && stopBit != 2.0)
        refuse("Invalid stop bit value is specified.", "Valid values are 1 (default), 1.5 or 2.");
    if (handshake < 0 || handshake > 3)
        refuse("Invalid handshake value is specified.", "Valid values are 0, 1 (default), 2 or 3.");
}

}  // namespace

Serial::Serial() {
    logAt(LogLevel::DEVELOPER, "Initializing Serial subsystem");
}

Serial::~Serial() {
    ClosePort();
}

std::string Serial::portDevice(int16_t portNum) {
    const auto& devices = portDevices();
    if (const auto it = devices.find(portNum); it != devices.end()) return it->second;
    return "/dev/ttyS" + std::to_string(portNum - 1);
}

void Serial::setPortDevice(int16_t portNum, const std::string& device) {
    if (device.empty())
        portDevices().erase(portNum);
    else
        portDevices()[portNum] = device;
}

void Serial::OpenPort(int16_t portNum, int32_t baudRate, const std::string& parity, int16_t dataBits, double stopBit,
                      int16_t handshake) {
    try {
        open(portNum, baudRate, parity, dataBits, stopBit, handshake);
    } catch (const std::exception& e) {
        logAt(LogLevel::Error,
              "Failed to open port " + toText(portNum) + " with baurdrate " + toText(baudRate) + " ->" + e.what());
    }
}

void Serial::open(int16_t portNum, int32_t baudRate, const std::string& parity, int16_t dataBits, double stopBit,
                  int16_t handshake) {
    validate(baudRate, parity, dataBits, stopBit, handshake);
    if (portNum < 1) raiseInvalidArgument("Invalid port number " + toText(portNum) + "; ports count from 1.");
    if (port_ && portNum != portNumber_)
        raiseInvalidArgument("Port " + toText(portNumber_) + " is open; close it before choosing port " +
                             toText(portNum) + ".");
    if (dataBits < 5)
        throw NumberedError(ErrorCodes::OPEN_PORT_FAILED,
                            "A serial port has no " + toText(dataBits) + "-bit characters; the fewest it sends is 5.");
    LineSettings line;
    line.baudRate = baudRate;
    line.parity = parity[0];
    line.dataBits = dataBits;
    line.stopBits = stopBit;
    line.handshake = handshake;
    portNumber_ = portNum;
    settings_ = toText(baudRate) + "," + parity + "," + toText(dataBits) + "," + toText(stopBit);
    handshake_ = handshake;
    if (port_)
        port_->apply(line);
    else
        port_ = SerialPort::open(portDevice(portNum), line);
}

std::string Serial::ReadPort() {
    if (!port_) {
        logAt(LogLevel::Error, "Serial port for reading is closed.");
        return {};
    }
    std::string text;
    try {
        char buffer[512];
        while (const std::size_t n = port_->read(buffer, sizeof buffer, 0)) text.append(buffer, n);
    } catch (const std::exception&) {
        // What came before the failure is still the instrument's.
    }
    return text;
}

void Serial::WritePort(const std::string& data) {
    if (!port_) {
        logAt(LogLevel::Error, "Serial port for writing is closed.");
        return;
    }
    try {
        port_->write(data + "\r");
    } catch (const std::exception&) {
        // Quiet, as the port has always been.
    }
}

void Serial::ClosePort() {
    port_.reset();
}

}  // namespace vek
