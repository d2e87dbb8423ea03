#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "ChainEmulator.h"
#include "support/TempInstall.h"
#include "vek/comm/Communication.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/User.h"

namespace vek::test {

using emulator::ChainEmulator;
using emulator::EmulatorOptions;

// Wire bytes as command texts: each address byte 0x80+n becomes the digit
// n, each CR a blank, so "\x82MP\r\x82G\r" reads "2MP 2G". Any other byte
// outside printable ASCII shows as <XX>. With `collapse`, a text repeated
// right after itself shows once (a polling loop's count varies).
std::string wireFrames(const std::string& bytes, bool collapse = false);

// A chain emulator on a pseudo-terminal, serving on a thread of its own,
// and the serial channel opened on it; the channel's developer lines reach
// the log.
class ChainTest : public DeveloperTest {
protected:
    void TearDown() override {
        comm_.reset();
        emulator_.reset();
        DeveloperTest::TearDown();
    }

    ChainEmulator& startChain(const EmulatorOptions& options) {
        comm_.reset();
        emulator_ = std::make_unique<ChainEmulator>(options);
        emulator_->start();
        return *emulator_;
    }
    ChainEmulator& startChain(int motors) {
        EmulatorOptions options;
        options.motors = motors;
        return startChain(options);
    }
    // The serial channel on the emulator's port at `baudRate`, addressed
    // unless told otherwise.
    Communication& open(int32_t baudRate = 9600, bool address = true, const std::string& trafficLog = {}) {
        comm_ = std::make_shared<Communication>(trafficLog);
        comm_->OpenPort(emulator_->portPath(), baudRate);
        if (address) count_ = comm_->initMotors();
        return *comm_;
    }
    ChainEmulator& chain() { return *emulator_; }
    // What the host sent since the last call, as wireFrames shows it.
    std::string sent(bool collapse = false) {
        const std::string bytes = emulator_->received();
        emulator_->clearReceived();
        return wireFrames(bytes, collapse);
    }

    std::unique_ptr<ChainEmulator> emulator_;
    std::shared_ptr<Communication> comm_;
    int16_t count_ = 0;
};

}  // namespace vek::test
