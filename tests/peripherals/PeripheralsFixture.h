#pragma once
#include "motion/SlidesTestFixture.h"
#include "vek/peripherals/Hmi.h"

namespace vek::test {

// The simulated gantry; its database's panel takes a free port (TempInstall).
class PeripheralsTest : public SlidesTest {
protected:
    Hmi& hmi() { return *runtime().hmi; }
    std::string db() { return install_->file("data/vek.db"); }
};

}  // namespace vek::test
