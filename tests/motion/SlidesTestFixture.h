#pragma once
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "support/Expect.h"
#include "support/TempInstall.h"
#include "vek/foundation/EventLoop.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/NodePath.h"
#include "vek/motion/LinearSlides.h"
#include "vek/motion/Runtime.h"
#include "vek/motors/IMotor.h"
#include "vek/motors/MotorConstants.h"
#include "vek/persistence/DbConnection.h"
#include "vek/persistence/DbValue.h"
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

inline std::shared_ptr<NodePath> polyline(const std::vector<std::shared_ptr<Node>>& corners,
                                          const std::string& name = "square") {
    auto path = std::make_shared<NodePath>();
    path->setName(name);
    path->setPathType(PathConstants::LINEAR_PATH);
    for (const auto& c : corners) path->addNode(c);
    return path;
}

// A started runtime in a fresh install whose database gives the axes a
// SmartMotor slide (10 mm lead, 200 mm stroke: 80000 counts) and the given
// number of simulated motors; developer logging so level-6 lines show.
class SlidesTest : public VekTest {
protected:
    static constexpr int32_t kStrokeCounts = 80000;

    void SetUp() override {
        VekTest::SetUp();
        runtime().user->setUserRole(UserRoles::DEVELOPER);
    }
    void TearDown() override {
        eventLoop().setHostPump(nullptr);
        VekTest::TearDown();
    }

    LinearSlides& slides() { return *runtime().linearSlides; }

    // Prepares the database file (before it is loaded) and loads it.
    // `offsetsMm` are the negative homing offsets of axes 1, 2, 3, ...
    void load(int motors, const std::vector<double>& offsetsMm = {}, int16_t motorType = MotorConstants::TYPE_SM) {
        {
            DbConnection db;
            db.open(install_->file("data/vek.db"));
            db.execute(
                "INSERT INTO Slide (model, pitch, stroke, maxSpeed, maxAcceleration, motorType) "
                "VALUES ('SM-TEST', 10, 200, 80, 900, ?)",
                {DbValue(static_cast<int32_t>(motorType))});
            const auto slideKey = static_cast<int32_t>(db.lastInsertKey());
            db.execute("UPDATE Motor SET slideKey = ?, negativeHomingOffset = 0", {DbValue(slideKey)});
            for (std::size_t i = 0; i < offsetsMm.size(); ++i) {
                db.execute("UPDATE Motor SET negativeHomingOffset = ? WHERE motorKey = ?",
                           {DbValue(offsetsMm[i]), DbValue(static_cast<int32_t>(i + 1))});
            }
            db.execute("UPDATE Config SET keyValue = ? WHERE keyName = 'softwareMotors'",
                       {DbValue(std::to_string(motors))});
        }
        slides().setIsSimulation(true);
        slides().setIsSimulationMute(true);
        slides().databaseRelatedInit("vek.db");
    }

    void connect(int motors, const std::vector<double>& offsetsMm = {}) {
        load(motors, offsetsMm);
        slides().openConnection(9600, "SIM");
    }

    IMotor& motor(int16_t i) { return *slides().motors()->item(i); }
    std::vector<int32_t> positions() {
        std::vector<int32_t> p;
        for (auto& m : *slides().motors()) p.push_back(m->position());
        return p;
    }
    int countLogged(const std::string& text) const {
        return static_cast<int>(
            std::count_if(messages().begin(), messages().end(), [&](const auto& m) { return m.first == text; }));
    }
    bool loggedStartingWith(const std::string& prefix) const {
        return std::any_of(messages().begin(), messages().end(),
                           [&](const auto& m) { return m.first.rfind(prefix, 0) == 0; });
    }
};

}  // namespace vek::test
