#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "vek/foundation/Clock.h"

namespace vek::test {

// A fresh install folder under /tmp holding a copy of the staged data/
// folder, its database's panel on a free port ("hmiPort" 0); removed again
// on destruction.
class TempInstall {
public:
    TempInstall();
    ~TempInstall();
    TempInstall(const TempInstall&) = delete;
    TempInstall& operator=(const TempInstall&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& relative) const { return path_ + "/" + relative; }

private:
    std::string path_;
};

// Base fixture: a fresh install folder, a manual clock on the event loop and
// a started runtime; everything torn down again after each test.
class VekTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Every message raised by the log since SetUp (or since clearMessages).
    const std::vector<std::pair<std::string, int>>& messages() const { return *messages_; }
    void clearMessages() { messages_->clear(); }
    // Collects the messages of the runtime started last (SetUp does).
    void collectLog();
    bool logged(const std::string& text) const;
    // The text of the log file.
    std::string logFileText() const;

    std::unique_ptr<TempInstall> install_;
    std::shared_ptr<ManualClock> clock_;
    std::shared_ptr<std::vector<std::pair<std::string, int>>> messages_ =
        std::make_shared<std::vector<std::pair<std::string, int>>>();
};

// A VekTest whose user is a developer, so that developer lines (level 6)
// reach the log.
class DeveloperTest : public VekTest {
protected:
    void SetUp() override;
};

// Gives the operator panel of a database file a free port ("hmiPort" 0)
// instead of 502: tests run side by side, with or without privileges.
void useFreePanelPort(const std::string& databaseFile);

// The whole content of a file, or empty when it cannot be read.
std::string readFileText(const std::string& path);

}  // namespace vek::test
