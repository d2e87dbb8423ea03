#pragma once
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "support/Each.h"
#include "support/Expect.h"
#include "support/LogLines.h"
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

// A path through the given (x, y) corners, named V1, V2, ...
inline std::shared_ptr<NodePath> polyline(std::initializer_list<std::pair<int, int>> points, int32_t key = 0) {
    auto path = std::make_shared<NodePath>();
    path->setKey(key);
    int i = 0;
    for (auto [x, y] : points) path->addNode(makeNode(x, y, 0, "V" + std::to_string(++i)));
    return path;
}

// World values of axes 1..count.
inline std::vector<int32_t> axes(const Node& n, int16_t count = 3) {
    std::vector<int32_t> values;
    for (int16_t i = 1; i <= count; ++i) values.push_back(n.axis(i));
    return values;
}

// Started runtime with developer logging, so level-6 lines are captured.
class GeometryTest : public VekTest {
protected:
    void SetUp() override {
        VekTest::SetUp();
        runtime().user->setUserRole(UserRoles::DEVELOPER);
    }
};

}  // namespace vek::test
