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

    // Shuts the library down and starts it again on the same install folder
    // and database, connected, as a host that restarts does.
    void restart() {
        shutDown();
        startUp();
        auto messages = messages_;
        runtime().log->messagedLogged.connect(
            [messages](std::string& message, int16_t& level) { messages->emplace_back(message, level); });
        slides().setIsSimulation(true);
        slides().setIsSimulationMute(true);
        slides().databaseRelatedInit("vek.db");
        slides().openConnection(9600, "SIM");
    }

    // Waits out every move that is still running.
    void settle() { ASSERT_TRUE(slides().AllMotors()->WaitForStop(60)); }
};

}  // namespace vek::test
