#include "vek/peripherals/Hmi.h"

#include "vek/foundation/Error.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/motors/IMotor.h"
#include "vek/peripherals/ModbusSlave.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/DbSavepoint.h"

namespace vek {

namespace {

// Binary i at coil i + 1; register i at holding registers 2i + 1 (high word)
// and 2i + 2 (low word).
constexpr ModbusSlave::Layout kLayout{1, Hmi::BLOCK_SIZE, 1, 2 * Hmi::BLOCK_SIZE};

// Between two looks at the watched binary of WaitForStop.
constexpr double kPollSeconds = 0.005;

uint16_t coilOf(int16_t ioNumber) {
    return static_cast<uint16_t>(ioNumber + 1);
}

uint16_t highWordOf(int16_t ioNumber) {
    return static_cast<uint16_t>(2 * ioNumber + 1);
}

NumberedError hmiError(const std::string& text, int16_t ioNumber) {
    return NumberedError(ErrorCodes::HMI_ERROR, text + std::to_string(ioNumber));
}

}  // namespace

Hmi::Hmi(std::shared_ptr<Database> database, Machine machine)
    : database_(std::move(database)), machine_(std::move(machine)), slave_(std::make_unique<ModbusSlave>(kLayout)) {
    logAt(LogLevel::DEVELOPER, "Initializing vek.Hmi");
    slave_->setOnWritten([this](const ModbusSlave::Written& w) { onWritten(w.coils, w.address, w.count); });
}

Hmi::~Hmi() {
    logAt(LogLevel::DEVELOPER, "Terminating vek.Hmi");
}

bool Hmi::openSlave(int32_t port, const std::string& address) {
    requireLive();
    try {
        slave_->listen(address, port);
        return true;
    } catch (const NumberedError& e) {
        logAt(LogLevel::Error, "HMI TCP Connection failed");
        logAt(LogLevel::Error, e.description());
        return false;
    }
}

void Hmi::closeSlave() {
    slave_->close();
}

void Hmi::shutDown() {
    closeSlave();
    database_.reset();
    shutDown_ = true;
}

void Hmi::requireLive() const {
    if (shutDown_) raiseShutDown();
}

int32_t Hmi::port() const {
    return slave_->port();
}

std::size_t Hmi::masterCount() const {
    return slave_->masterCount();
}

void Hmi::initialize() {
    logAt(LogLevel::info, "Loading HMI IO");
    loadIO();
    logAt(LogLevel::info, "Initializing HMI data blocks");
    try {
        // The values published at start are those of indexes 0..256.
        for (int16_t i = 0; i <= 256; ++i) WriteBinary(i, binaryData_[i]);
        for (int16_t i = 0; i <= 256; ++i) WriteRegister(i, registerData_[i]);
        logAt(LogLevel::info, "HMI initialization done.");
    } catch (const NumberedError& e) {
        logAt(LogLevel::WARNING, "Initialization of HMI failed. Ignore if HMI is not present.");
        logAt(LogLevel::WARNING, e.description());
    }
}

void Hmi::loadIO() {
    std::vector<int16_t> binary(LAST_INDEX + 1, 0);
    std::vector<int32_t> registers(LAST_INDEX + 1, 0);
    Recordset r = requireDatabase(database_).Connection()->query(
        std::string(" SELECT ioNumber, numberData, binaryData ") + " FROM Hmi ");
    for (; !r.eof(); r.moveNext()) {
        const int16_t i = r.field(0).toInt16();
        if (i < 0 || i > LAST_INDEX)
            throw NumberedError::wrap(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE,
                                      "The Hmi table holds ioNumber " + std::to_string(i) + ", outside 0.." +
                                          std::to_string(LAST_INDEX) + ". ",
                                      NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE));
        registers[i] = r.field(1).isNull() ? 0 : r.field(1).toInt32();
        binary[i] = r.field(2).isNull() ? int16_t{0} : r.field(2).toInt16();
    }
    binaryData_ = std::move(binary);
    registerData_ = std::move(registers);
}

void Hmi::SaveIO() {
    requireLive();
    auto connection = requireDatabase(database_).Connection();
    DbSavepoint savepoint(*connection);
    connection->execute("DELETE * FROM Hmi");
    for (int16_t i = 0; i <= LAST_INDEX; ++i) {
        int32_t inserted = 0;
        try {
            inserted = connection->execute("INSERT INTO Hmi (ioNumber, numberData, binaryData) VALUES (?, ?, ?)",
                                           {i, registerData_[i], binaryData_[i]});
        } catch (const NumberedError& e) {
            throw NumberedError::wrap(ErrorCodes::DATABASE_ERROR, "Hmi IO not inserted correctly ", e);
        }
        if (inserted != 1) throw NumberedError(ErrorCodes::DATABASE_ERROR, "Hmi IO not inserted correctly");
    }
    savepoint.commit();
}

void Hmi::requireIndex(int16_t ioNumber) {
    if (ioNumber < 0 || ioNumber > LAST_INDEX) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
}

void Hmi::WriteBinary(int16_t ioNumber, int16_t value) {
    requireLive();
    requireObject(machine_.validator)->validateBinary(value);
    requireIndex(ioNumber);
    binaryData_[ioNumber] = value;
    if (!slave_->setCoil(coilOf(ioNumber), value != 0))
        throw hmiError("Couldn't write the binary data at address ", ioNumber);
}

int16_t Hmi::ReadBinary(int16_t ioNumber) {
    requireLive();
    requireIndex(ioNumber);
    const auto value = slave_->coil(coilOf(ioNumber));
    if (!value) throw hmiError("Couldn't read the binary data at address ", ioNumber);
    binaryData_[ioNumber] = *value ? 1 : 0;
    return binaryData_[ioNumber];
}

void Hmi::WriteRegister(int16_t ioNumber, int32_t value) {
    requireLive();
    requireIndex(ioNumber);
    registerData_[ioNumber] = value;
    const auto bits = static_cast<uint32_t>(value);
    const uint16_t high = highWordOf(ioNumber);
    if (!slave_->holdingRegister(high + 1) || !slave_->setHoldingRegister(high, static_cast<uint16_t>(bits >> 16)) ||
        !slave_->setHoldingRegister(high + 1, static_cast<uint16_t>(bits & 0xFFFF)))
        throw hmiError("Couldn't write the register data at address ", ioNumber);
}

int32_t Hmi::ReadRegister(int16_t ioNumber) {
    requireLive();
    requireIndex(ioNumber);
    const uint16_t address = highWordOf(ioNumber);
    const auto high = slave_->holdingRegister(address);
    const auto low = slave_->holdingRegister(address + 1);
    if (!high || !low) throw hmiError("Couldn't read the register data at address ", ioNumber);
    registerData_[ioNumber] = static_cast<int32_t>((static_cast<uint32_t>(*high) << 16) | *low);
    return registerData_[ioNumber];
}

void Hmi::onWritten(bool coils, uint16_t address, uint16_t count) {
    const int last = address + count - 1;
    if (coils) {
        for (int a = address; a <= last; ++a) {
            int16_t block = HmiBlocks::BINARY;
            auto i = static_cast<int16_t>(a - 1);
            int32_t value = ReadBinary(i);
            dataReceived.raise(block, i, value);
        }
        return;
    }
    for (int i = (address - 1) / 2; i <= (last - 1) / 2; ++i) {
        int16_t block = HmiBlocks::REGISTER;
        auto index = static_cast<int16_t>(i);
        int32_t value = ReadRegister(index);
        dataReceived.raise(block, index, value);
    }
}

void Hmi::WaitForStop(int16_t motorIndex, int16_t monitorIONumber, int16_t monitorIOStatus, bool decelerate) {
    requireLive();
    logAt(LogLevel::DISPLAYONLY, "Executing WaitForStop command.");
    const auto& validator = requireObject(machine_.validator);
    validator->validateAxis(motorIndex, true);
    validator->validateBinary(monitorIOStatus);
    const auto motor = machine_.motor ? machine_.motor(motorIndex) : nullptr;
    requireObject(motor);
    if (monitorIONumber == -1) {
        motor->WaitForStop();
    } else {
        // Each poll sleeps in the event loop, which wakes at once for a
        // master's request, instead of spinning on the processor.
        while (ReadBinary(monitorIONumber) != monitorIOStatus && motor->isMoving()) eventLoop().wait(kPollSeconds);
        motor->StopMotion(decelerate);
    }
    logAt(LogLevel::DISPLAYONLY, "WaitForStop command done.");
}

}  // namespace vek
