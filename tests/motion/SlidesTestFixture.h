#pragma once
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/Each.h"
#include "support/Expect.h"
#include "support/LogLines.h"
#include "support/TempInstall.h"
#include "vek/comm/ICommunication.h"
#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/EventLoop.h"
#include "vek/geometry/NodePath.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/Calibration.h"
#include "vek/motors/IMotor.h"
#include "vek/persistence/Configuration.h"
#include "vek/persistence/DbConnection.h"
#include "vek/persistence/User.h"

namespace vek::test {

inline std::shared_ptr<Node> at(int32_t x, int32_t y, int32_t z = 0, const std::string& name = "") {
    auto n = std::make_shared<Node>();
    n->setAxis(1, x);
    n->setAxis(2, y);
    n->setAxis(3, z);
    if (!name.empty()) n->setName(name);
    return n;
}

inline std::shared_ptr<NodePath> polyline(const std::vector<std::shared_ptr<Node>>& nodes,
                                          const std::string& name = "square",
                                          int32_t type = PathConstants::LINEAR_PATH) {
    auto path = std::make_shared<NodePath>();
    path->setName(name);
    path->setPathType(type);
    for (const auto& n : nodes) path->addNode(n);
    return path;
}

// A started runtime in a fresh install whose database gives the axes a
// SmartMotor slide (10 mm lead, 200 mm stroke: 80000 counts) and the given
// number of simulated motors; developer logging so level-6 lines show.
class SlidesTest : public DeveloperTest {
protected:
    void TearDown() override {
        eventLoop().setHostPump(nullptr);
        DeveloperTest::TearDown();
    }

    LinearSlides& slides() { return *runtime().linearSlides; }

    // Runs `sql` on the install's database file.
    void execute(const std::string& sql, const std::vector<DbValue>& values = {}) {
        DbConnection db;
        db.open(install_->file("data/vek.db"));
        db.execute(sql, values);
    }
    void setMotorCount(int motors) {
        execute("UPDATE Config SET keyValue = ? WHERE keyName = 'softwareMotors'", {std::to_string(motors)});
    }

    // Prepares the database file (before it is loaded) and loads it.
    void load(int motors) {
        execute(  // motor type 1: SmartMotor
            "INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) "
            "VALUES ('SM-TEST', 10, 200, 80, 900, 1)");
        execute("UPDATE Motor SET slideKey = (SELECT max(slideKey) FROM Slide)");
        setMotorCount(motors);
        slides().setIsSimulation(true);
        slides().setIsSimulationMute(true);
        slides().databaseRelatedInit("vek.db");
    }
    // Shuts the library down and starts it again on the same install folder
    // and database, as a host that restarts does.
    void restart() {
        shutDown();
        startUp();
        collectLog();
        slides().setIsSimulation(true);
        slides().setIsSimulationMute(true);
        slides().databaseRelatedInit("vek.db");
    }
    void connect(int motors) {
        load(motors);
        slides().openConnection(9600, "SIM");
    }

    IMotor& motor(int16_t i) { return *slides().motors()->item(i); }
    // Positions of the axes in order: "20000 10000 4000".
    std::string positions() {
        std::string text;
        for (auto& m : *slides().motors()) text += (text.empty() ? "" : " ") + std::to_string(m->position());
        return text;
    }
    // Runs `f` once from the host pump as soon as more than `seconds` of
    // virtual time have passed from now; `f` may set the next step. (The
    // loop runs a copy of the pump, so its state lives outside.)
    void after(double seconds, std::function<void()> f) {
        const double due = eventLoop().now() + seconds;
        auto done = std::make_shared<bool>(false);
        eventLoop().setHostPump([due, done, f = std::move(f)] {
            if (*done || eventLoop().now() <= due) return;
            *done = true;
            f();
        });
    }
};

}  // namespace vek::test
