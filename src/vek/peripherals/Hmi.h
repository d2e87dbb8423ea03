#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "vek/foundation/Event.h"

namespace vek {

class Database;
class Error;
class IMotor;
class ModbusSlave;

// Block types of the operator panel's data, as dataReceived names them.
namespace HmiBlocks {
enum Value : int16_t { BINARY = 1, REGISTER = 3 };
}  // namespace HmiBlocks

// The operator panel (HMI), a Modbus TCP master, talks to vek's own Modbus
// TCP slave. vek keeps 261 binary values and 261 32-bit register values
// (index 0..260), stores them in the Hmi table, and serves indexes 0..259 to
// the panel:
//   binary i   = coil at Modbus address i + 1 (1..260);
//   register i = the holding registers at addresses 2i + 1 and 2i + 2, the
//                high word first (as libmodbus's MODBUS_GET_INT32_FROM_INT16
//                reads them; mbpoll -B), so 32-bit register number i + 1 of
//                a panel that counts 32-bit registers from 1.
// Every other address is answered "illegal data address". The slave is
// served from the event loop: the panel is answered whenever the host's
// thread is in a vek wait (WaitForStop too).
class Hmi {
public:
    static constexpr int16_t LAST_INDEX = 260;  // of binaryData and register data
    static constexpr int16_t BLOCK_SIZE = 260;  // indexes served to the panel

    // What WaitForStop needs from the machine: the validator (axis and
    // binary checks) and the motor of an index (0: all motors).
    struct Machine {
        std::shared_ptr<const Error> validator;
        std::function<std::shared_ptr<IMotor>(int16_t motorIndex)> motor;
    };

    Hmi(std::shared_ptr<Database> database, Machine machine);
    ~Hmi();
    Hmi(const Hmi&) = delete;
    Hmi& operator=(const Hmi&) = delete;

    // Rewrites the Hmi table with every index's register and binary value;
    // all rows or none: a failed insert raises DATABASE_ERROR "Hmi IO not
    // inserted correctly".
    void SaveIO();
    // Index outside 0..260: error 9; value not 0 or 1: error 11; index 260
    // (outside the served block): HMI_ERROR "Couldn't write the binary data
    // at address 260".
    void WriteBinary(int16_t ioNumber, int16_t value);
    // The value as the panel sees it now (a master's writes included).
    int16_t ReadBinary(int16_t ioNumber);
    void WriteRegister(int16_t ioNumber, int32_t value);
    int32_t ReadRegister(int16_t ioNumber);
    // Without a monitored binary (-1), waits until the motor stops. With
    // one, polls until binary monitorIONumber reads monitorIOStatus or the
    // motor stops by itself, servicing events (and the panel) between polls,
    // then stops the motor.
    void WaitForStop(int16_t motorIndex = 0, int16_t monitorIONumber = -1, int16_t monitorIOStatus = 1,
                     bool decelerate = true);

    // Raised for each value a master writes: block type (HmiBlocks), index,
    // new value.
    Event<int16_t, int16_t, int32_t> dataReceived;

    // Library-internal.
    // Opens the slave on `port` (0: a free one) of every interface, or of
    // `address`. Logs "HMI TCP Connection failed" and the cause and returns
    // false when the port cannot be opened.
    bool openSlave(int32_t port, const std::string& address = {});
    void closeSlave();
    // Shut-down: closes the slave (its port is free for the next start) and
    // lets go of the database; every later operation raises 91.
    void shutDown();
    // The port the slave listens on; 0 when it does not.
    int32_t port() const;
    std::size_t masterCount() const;
    // Loads the Hmi table and publishes the values to the slave's blocks.
    void initialize();
    // binaryData and register data from the Hmi table; a row whose ioNumber
    // is outside 0..260 raises 9 naming it.
    void loadIO();
    const std::vector<int16_t>& binaryData() const { return binaryData_; }
    const std::vector<int32_t>& registerData() const { return registerData_; }

private:
    void onWritten(bool coils, uint16_t address, uint16_t count);
    static void requireIndex(int16_t ioNumber);
    void requireLive() const;
    void writeRegisterWords(int16_t ioNumber, int32_t value, const std::string& failure);

    std::shared_ptr<Database> database_;
    Machine machine_;
    std::vector<int16_t> binaryData_ = std::vector<int16_t>(LAST_INDEX + 1, 0);
    std::vector<int32_t> registerData_ = std::vector<int32_t>(LAST_INDEX + 1, 0);
    std::unique_ptr<ModbusSlave> slave_;
    bool shutDown_ = false;
};

}  // namespace vek
