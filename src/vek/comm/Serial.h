#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace vek {

class SerialPort;

// A plain serial port for instruments other than the motors (the load
// cell): text out with a CR after it, whatever came in back. Ports are
// chosen by number; port n is /dev/ttyS(n-1) unless the host maps the
// number to another device (a USB adapter, a pseudo-terminal). Nothing here
// raises: a failure is logged at level 3 and the call returns.
class Serial {
public:
    Serial();
    ~Serial();
    Serial(const Serial&) = delete;
    Serial& operator=(const Serial&) = delete;

    // Validates the settings, sets them ("9600,N,8,1") and the handshake
    // (0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both), then opens the port unless it
    // is open already. Parity E, M, N, O or S (mark and space through
    // CMSPAR); 1.5 stop bits are two stop bits at the line (what 1.5 means
    // at five data bits).
    void OpenPort(int16_t portNum, int32_t baudRate = 9600, const std::string& parity = "N", int16_t dataBits = 8,
                  double stopBit = 1.0, int16_t handshake = 1);
    // Everything received so far; empty when nothing came or the port is closed.
    std::string ReadPort();
    // Sends `data` followed by CR.
    void WritePort(const std::string& data);
    void ClosePort();

    bool isOpen() const { return port_ != nullptr; }
    int16_t portNumber() const { return portNumber_; }
    // "9600,N,8,1": baud, parity, data bits, stop bits.
    const std::string& settings() const { return settings_; }
    int16_t handshaking() const { return handshake_; }

    // The device of port `portNum` (1-based): the host's mapping, else
    // /dev/ttyS(n-1).
    static std::string portDevice(int16_t portNum);
    static void setPortDevice(int16_t portNum, const std::string& device);

private:
    void open(int16_t portNum, int32_t baudRate, const std::string& parity, int16_t dataBits, double stopBit,
              int16_t handshake);

    std::unique_ptr<SerialPort> port_;
    int16_t portNumber_ = 1;
    std::string settings_ = "9600,N,8,1";
    int16_t handshake_ = 0;
};

}  // namespace vek
