#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "vek/peripherals/IIOData.h"

namespace vek {

class Configuration;
class Database;

// What IOData and IODataSimulation share: the configured device address and
// blocks, the labelled inputs and outputs and their rows in the IO table.
// The states themselves are each implementation's business.
class IODataBase : public IIOData {
public:
    // Loads the IO table from `database` and reads "ioIP", "ioInBlocks" and
    // "ioOutBlocks" from `configuration`; a block count that is not a whole
    // number raises 13 naming the value.
    IODataBase(std::shared_ptr<Database> database, const Configuration& configuration);
    ~IODataBase() override;
    IODataBase(const IODataBase&) = delete;
    IODataBase& operator=(const IODataBase&) = delete;

    bool externalDeviceFound() const override { return externalDeviceFound_; }
    void setExternalDeviceFound(bool value) override { externalDeviceFound_ = value; }
    const std::string& ioIP() const override { return ioIP_; }
    void setIoIP(const std::string& value) override { ioIP_ = value; }
    int16_t ioInBlocks() const override { return ioInBlocks_; }
    void setIoInBlocks(int16_t value) override { ioInBlocks_ = value; }
    int16_t ioOutBlocks() const override { return ioOutBlocks_; }
    void setIoOutBlocks(int16_t value) override { ioOutBlocks_ = value; }
    std::vector<std::string> ioTypeNames() const override;
    std::shared_ptr<IOCollection> ios(int16_t ioType) const override;
    int16_t getOutputLabelIndex(const std::string& label) const override;
    int16_t getInputLabelIndex(const std::string& label) const override;
    // Replaces both collections by the rows of the IO table, in table order;
    // rows of any other type are left out.
    void loadIOs() override;
    // Rewrites the IO table: every input, then every output, each row with a
    // new key. All rows or none: a failed insert raises DATABASE_ERROR "IO
    // not inserted correctly" and leaves the table as it was.
    void saveIOs() override;

    void shutDown() override;

protected:
    void requireLive() const;
    // The block of I/O number `n` (1-based) and its bit in that block: the
    // device numbers its input blocks first, then its output blocks.
    int16_t inputBlock(int16_t n) const;
    int16_t outputBlock(int16_t n) const;
    static int16_t bitOf(int16_t n);

    std::shared_ptr<IOCollection> inputs_ = std::make_shared<IOCollection>();
    std::shared_ptr<IOCollection> outputs_ = std::make_shared<IOCollection>();

private:
    std::shared_ptr<Database> database_;
    bool shutDown_ = false;
    bool externalDeviceFound_ = false;
    std::string ioIP_;
    int16_t ioInBlocks_ = 0;
    int16_t ioOutBlocks_ = 0;
};

}  // namespace vek
