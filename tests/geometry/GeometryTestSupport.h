#pragma once
#include <cmath>
#include <memory>
#include <string>

#include "support/TempInstall.h"
#include "vek/geometry/Coordinates.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/NodePath.h"
#include "vek/motion/Runtime.h"
#include "vek/persistence/User.h"

namespace vek::test {

inline std::shared_ptr<Node> makeNode(int32_t x, int32_t y, int32_t z = 0, const std::string& name = "") {
    auto n = std::make_shared<Node>();
    n->setAxis(1, x);
    n->setAxis(2, y);
    n->setAxis(3, z);
    n->setName(name);
    return n;
}

// Started runtime with developer logging, so level-6 lines are captured.
class GeometryTest : public VekTest {
protected:
    void SetUp() override {
        VekTest::SetUp();
        runtime().user->setUserRole(UserRoles::DEVELOPER);
    }
    int countLogged(const std::string& text) const {
        int n = 0;
        for (const auto& [m, l] : messages())
            if (m == text) ++n;
        return n;
    }
    bool loggedStartingWith(const std::string& prefix) const {
        for (const auto& [m, l] : messages())
            if (m.rfind(prefix, 0) == 0) return true;
        return false;
    }
};

inline double planarDistance(const Node& a, const Node& b) {
    return std::hypot(double(a.axis(1)) - b.axis(1), double(a.axis(2)) - b.axis(2));
}

}  // namespace vek::test
