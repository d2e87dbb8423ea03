#pragma once
#include <memory>
#include <string>

#include "motion/SlidesTestFixture.h"
#include "vek/commands/Commands.h"
#include "vek/foundation/Log.h"
#include "vek/geometry/Coordinates.h"
#include "vek/geometry/Point.h"
#include "vek/motors/MotorSimulation.h"

namespace vek::test {

// The command layer on the simulated gantry: the fixture's slides (10 mm
// lead, so 400 counts per mm in the database's unit, mm) with `axes`
// simulated motors connected.
class CommandsTest : public SlidesTest {
protected:
    Commands& commands() { return *runtime().commands; }
    MotorSimulation& sim(int16_t i) { return dynamic_cast<MotorSimulation&>(motor(i)); }

    static std::shared_ptr<Point> point(double x, double y, double z, const std::string& name = "P") {
        auto p = std::make_shared<Point>();
        p->setName(name);
        p->setX(x);
        p->setY(y);
        p->setZ(z);
        return p;
    }

    // The error `call` raised, as "number source: description".
    template <typename F>
    static std::string failure(F&& call) {
        const NumberedError e = raised(call);
        return std::to_string(e.number()) + " " + e.source() + ": " + e.description();
    }
};

}  // namespace vek::test
