#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vek {

// A Modbus TCP slave (server) served from vek's event loop: the listening
// socket and every master's socket are watched by the loop, so requests are
// answered whenever the host's thread services events (in every vek wait),
// and no other thread touches the data. It holds one block of coils and one
// of holding registers; libmodbus answers the requests on them.
//
// Requests are framed by their MBAP header. A frame whose length does not
// fit its function is answered with the exception "illegal data value"; an
// address outside a block with "illegal data address"; a header that is not
// Modbus TCP closes that master's connection. A master that hangs up, or
// stops mid-request, costs nothing but its own connection.
class ModbusSlave {
public:
    // Coils at Modbus (PDU) addresses firstCoil.., holding registers at
    // firstRegister...
    struct Layout {
        uint16_t firstCoil = 0;
        uint16_t coils = 0;
        uint16_t firstRegister = 0;
        uint16_t registers = 0;
    };
    // What a master's write request changed.
    struct Written {
        bool coils = false;  // else holding registers
        uint16_t address = 0;
        uint16_t count = 0;
    };

    explicit ModbusSlave(Layout layout);
    ~ModbusSlave();
    ModbusSlave(const ModbusSlave&) = delete;
    ModbusSlave& operator=(const ModbusSlave&) = delete;

    // Listens on `port` of `address` (empty: every interface; port 0: a
    // free port, see port()). Raises HMI_ERROR naming the cause when the
    // port cannot be opened. Listening again closes the previous port and
    // its masters first.
    void listen(const std::string& address, int32_t port);
    // Stops listening and hangs up on every master.
    void close();
    bool isListening() const;
    // The port listened on; 0 when not listening.
    int32_t port() const;
    // Masters connected now.
    std::size_t masterCount() const;
    // At most this many masters at once; further ones are hung up on.
    static constexpr std::size_t kMaxMasters = 32;

    // The data by Modbus address; none (and no change) outside the block.
    std::optional<bool> coil(uint16_t address) const;
    bool setCoil(uint16_t address, bool value);
    std::optional<uint16_t> holdingRegister(uint16_t address) const;
    bool setHoldingRegister(uint16_t address, uint16_t value);

    // Called after each write request of a master that changed the data.
    void setOnWritten(std::function<void(const Written&)> onWritten) { onWritten_ = std::move(onWritten); }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::function<void(const Written&)> onWritten_;
};

}  // namespace vek
