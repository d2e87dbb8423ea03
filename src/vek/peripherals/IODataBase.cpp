#include "vek/peripherals/IODataBase.h"

#include "vek/foundation/Convert.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/Database.h"
#include "vek/persistence/DbSavepoint.h"

namespace vek {

namespace {

// A whole number of blocks from the configuration; empty text is none.
int16_t blockCount(const Configuration& configuration, const std::string& key) {
    const std::string text = trim(configuration.getConfigValue(key));
    if (text.empty()) return 0;
    try {
        return toInt16(toDouble(text));
    } catch (const NumberedError& e) {
        throw NumberedError::wrap(
            e.number(), "The configuration value " + key + " \"" + text + "\" is not a number of blocks. ", e);
    }
}

int16_t labelIndex(const IOCollection& ios, const std::string& label, const std::string& kind) {
    int16_t position = 0;
    for (const auto& io : ios) {
        ++position;
        if (io->name() == label) return position;
    }
    raiseInvalidArgument(kind + " IO " + label + " is not valid.");
}

}  // namespace

IODataBase::IODataBase(std::shared_ptr<Database> database, const Configuration& configuration)
    : database_(std::move(database)) {
    logAt(LogLevel::DEVELOPER, "Initializing External IO Configuration data");
    loadIOs();
    ioIP_ = trim(configuration.getConfigValue("ioIP"));
    ioInBlocks_ = blockCount(configuration, "ioInBlocks");
    ioOutBlocks_ = blockCount(configuration, "ioOutBlocks");
}

IODataBase::~IODataBase() {
    logAt(LogLevel::DEVELOPER, "Terminating ioData");
}

std::vector<std::string> IODataBase::ioTypeNames() const {
    return {"", "Digital Input", "Digital Output"};
}

std::shared_ptr<IOCollection> IODataBase::ios(int16_t ioType) const {
    if (ioType == IOTypes::DIGITAL_INPUT) return inputs_;
    if (ioType == IOTypes::DIGITAL_OUTPUT) return outputs_;
    return nullptr;
}

int16_t IODataBase::getOutputLabelIndex(const std::string& label) const {
    return labelIndex(*outputs_, label, "Output");
}

int16_t IODataBase::getInputLabelIndex(const std::string& label) const {
    return labelIndex(*inputs_, label, "Input");
}

void IODataBase::shutDown() {
    database_.reset();
    shutDown_ = true;
}

void IODataBase::requireLive() const {
    if (shutDown_) raiseShutDown();
}

void IODataBase::loadIOs() {
    requireLive();
    auto inputs = std::make_shared<IOCollection>();
    auto outputs = std::make_shared<IOCollection>();
    Recordset r = requireDatabase(database_).Connection()->query(
        std::string("SELECT ioKey, ioNumber, ioName, ioType ") + "FROM IO ");
    for (; !r.eof(); r.moveNext()) {
        auto io = std::make_shared<IO>();
        io->setKey(r.field(0).toInt16());
        io->setNumber(r.field(1).isNull() ? int16_t{0} : r.field(1).toInt16());
        io->setName(trim(r.field(2).textOr("")));
        io->setIoType(r.field(3).isNull() ? int16_t{0} : r.field(3).toInt16());
        if (io->ioType() == IOTypes::DIGITAL_INPUT) inputs->add(io, std::to_string(io->key()));
        if (io->ioType() == IOTypes::DIGITAL_OUTPUT) outputs->add(io, std::to_string(io->key()));
    }
    inputs_ = inputs;
    outputs_ = outputs;
}

void IODataBase::saveIOs() {
    requireLive();
    auto connection = requireDatabase(database_).Connection();
    DbSavepoint savepoint(*connection);
    connection->execute("DELETE * FROM IO");
    for (const auto* ios : {inputs_.get(), outputs_.get()}) {
        for (const auto& io : *ios) {
            int32_t inserted = 0;
            try {
                inserted = connection->execute("INSERT INTO IO (ioNumber, ioName, ioType) VALUES (?, ?, ?)",
                                               {io->number(), io->name(), io->ioType()});
            } catch (const NumberedError& e) {
                throw NumberedError::wrap(ErrorCodes::DATABASE_ERROR, "IO not inserted correctly ", e);
            }
            if (inserted != 1) throw NumberedError(ErrorCodes::DATABASE_ERROR, "IO not inserted correctly");
        }
    }
    savepoint.commit();
}

int16_t IODataBase::inputBlock(int16_t n) const {
    return static_cast<int16_t>((n - 1) / IOConstants::IO_PER_BLOCK);
}

int16_t IODataBase::outputBlock(int16_t n) const {
    return static_cast<int16_t>(ioInBlocks_ + (n - 1) / IOConstants::IO_PER_BLOCK);
}

int16_t IODataBase::bitOf(int16_t n) {
    return static_cast<int16_t>((n - 1) % IOConstants::IO_PER_BLOCK);
}

}  // namespace vek
