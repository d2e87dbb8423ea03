#pragma once
#include "motion/SlidesTestFixture.h"
#include "vek/peripherals/Hmi.h"

namespace vek::test {

// The simulated gantry, its database telling the panel's slave to take a
// free port (so that tests run side by side and without privileges).
class PeripheralsTest : public SlidesTest {
protected:
    void SetUp() override {
        SlidesTest::SetUp();
        execute("INSERT INTO Config (keyName, keyValue) VALUES ('hmiPort', '0')");
    }
    Hmi& hmi() { return *runtime().hmi; }
    std::string db() { return install_->file("data/vek.db"); }
};

}  // namespace vek::test
