// Points, nodes, node paths, paths and the coordinate transformations.
#include "Binding.h"
#include "vek/foundation/Convert.h"
#include "vek/geometry/Coordinates.h"
#include "vek/geometry/Node.h"
#include "vek/geometry/NodePath.h"
#include "vek/geometry/Path.h"
#include "vek/geometry/Point.h"

namespace vekpy {

namespace {

using vek::Coordinates;
using vek::Node;
using vek::NodePath;
using vek::Path;
using vek::Point;

void bindPoint(py::module_& m) {
    py::class_<Point, std::shared_ptr<Point>> point(m, "Point", doc("Point"));
    point.def(py::init([](double x, double y, double z, const std::string& name) {
                  auto p = std::make_shared<Point>();
                  p->setX(x);
                  p->setY(y);
                  p->setZ(z);
                  p->setName(name);
                  return p;
              }),
              py::arg("x") = 0.0, py::arg("y") = 0.0, py::arg("z") = 0.0, py::arg("name") = "",
              "A free point at (x, y, z) in the configured unit.");
    readWrite(point, "name", &Point::name, &Point::setName);
    readWrite(point, "x", &Point::x, &Point::setX);
    readWrite(point, "y", &Point::y, &Point::setY);
    readWrite(point, "z", &Point::z, &Point::setZ);
    readWrite(point, "x4", &Point::x4, &Point::setX4);
    readWrite(point, "x5", &Point::x5, &Point::setX5);
    readWrite(point, "x6", &Point::x6, &Point::setX6);
    readWrite(point, "x7", &Point::x7, &Point::setX7);
    readWrite(point, "x8", &Point::x8, &Point::setX8);
    readOnly(point, "isNodeView", &Point::isNodeView);
    method(point, "getNode", &Point::getNode);
    method(point, "coordinate", &Point::coordinate, py::arg("axis"));
    method(point, "setCoordinate", &Point::setCoordinate, py::arg("axis"), py::arg("value"));
    point.def("__repr__", [](const Point& p) {
        return "Point(" + vek::toText(p.x()) + ", " + vek::toText(p.y()) + ", " + vek::toText(p.z()) +
               (p.name().empty() ? "" : ", name='" + p.name() + "'") + ")";
    });
}

void bindNode(py::module_& m) {
    py::class_<Node, std::shared_ptr<Node>> node(m, "Node", doc("Node"));
    node.def(py::init([](int32_t x, int32_t y, int32_t z, const std::string& name) {
                 auto n = std::make_shared<Node>();
                 n->setAxis(1, x);
                 n->setAxis(2, y);
                 n->setAxis(3, z);
                 if (!name.empty()) n->setName(name);
                 return n;
             }),
             py::arg("x") = 0, py::arg("y") = 0, py::arg("z") = 0, py::arg("name") = "",
             "A node with world values x, y, z of axes 1..3 in motor counts.");
    readWrite(node, "key", &Node::key, &Node::setKey);
    readWrite(node, "orderNumber", &Node::orderNumber, &Node::setOrderNumber);
    readWrite(node, "name", &Node::name, &Node::setName);
    readWrite(node, "speed", &Node::speed, &Node::setSpeed);
    readWrite(node, "acceleration", &Node::acceleration, &Node::setAcceleration);
    readWrite(node, "mode", &Node::mode, &Node::setMode);
    method(node, "axis", &Node::axis, py::arg("index"));
    method(node, "setAxis", &Node::setAxis, py::arg("index"), py::arg("value"));
    method(
        node, "clone", [](const Node& n, bool onlyAxisValue) { return n.clone(onlyAxisValue); },
        py::arg("onlyAxisValue") = false);
    method(
        node, "equals", [](const Node& n, const std::shared_ptr<Node>& other) { return n.equals(other); },
        py::arg("anotherNode"));
    method(node, "toString", &Node::toString);
    node.def("__repr__", &Node::toString);
}

void bindNodePath(py::module_& m) {
    py::class_<NodePath, std::shared_ptr<NodePath>> path(m, "NodePath", doc("NodePath"));
    path.def(py::init<>());
    readWrite(path, "TIMEDELTA", &NodePath::TIMEDELTA, &NodePath::setTIMEDELTA);
    readOnly(path, "TIMEDELTASECONDS", &NodePath::TIMEDELTASECONDS);
    readWrite(path, "key", &NodePath::key, &NodePath::setKey);
    readWrite(path, "name", &NodePath::name, &NodePath::setName);
    readWrite(path, "pathType", &NodePath::pathType, &NodePath::setPathType);
    readWrite(path, "dirty", &NodePath::dirty, &NodePath::setDirty);
    readWrite(path, "effectiveLength", &NodePath::effectiveLength, &NodePath::setEffectiveLength);
    readWrite(
        path, "nextPath", [](const NodePath& p) { return p.nextPath(); },
        [](NodePath& p, const std::shared_ptr<NodePath>& next) { p.setNextPath(next); });
    readOnly(path, "nodes", [](const NodePath& p) { return p.nodes(); });
    readOnly(path, "size", &NodePath::size);
    method(path, "addNode", &NodePath::addNode, py::arg("tmpNode"), py::arg("key") = "", py::arg("beforeKey") = "");
    method(
        path, "removeNode", [](NodePath& p, const std::shared_ptr<Node>& n) { p.removeNode(*vek::requireObject(n)); },
        py::arg("tmpNode"));
    method(
        path, "appendNodes",
        [](NodePath& p, const std::shared_ptr<NodePath>& from) { p.appendNodes(vek::requireObject(from)); },
        py::arg("fromNodePath"));
    method(path, "getNodeByName", &NodePath::getNodeByName, py::arg("nodeName"));
    method(path, "getMinX", &NodePath::getMinX);
    method(path, "getMaxX", &NodePath::getMaxX);
    method(path, "getMinY", &NodePath::getMinY);
    method(path, "getMaxY", &NodePath::getMaxY);
    method(path, "getMinZ", &NodePath::getMinZ);
    method(path, "getMaxZ", &NodePath::getMaxZ);
    method(path, "getBeginningNode", &NodePath::getBeginningNode);
    method(path, "getEndNode", &NodePath::getEndNode, py::arg("adjustForArc") = false);
    method(path, "getRadius", &NodePath::getRadius);
    method(path, "calculateLength", &NodePath::calculateLength, py::arg("recalculate") = true);
    method(path, "clone", &NodePath::clone);
    method(path, "toString", &NodePath::toString);
    path.def("__len__", &NodePath::size);
}

void bindPath(py::module_& m) {
    py::class_<Path, std::shared_ptr<Path>> path(m, "Path", doc("Path"));
    path.def(py::init<>());
    method(path, "addPoint", &Path::addPoint, py::arg("tmpPoint"), py::arg("whichPoint") = "end");
    readWrite(path, "name", &Path::name, &Path::setName);
    readWrite(path, "pathType", &Path::pathType, &Path::setPathType);
    readWrite(
        path, "nodePath", [](const Path& p) { return p.getNodePath(); },
        [](Path& p, const std::shared_ptr<NodePath>& n) { p.setNodePath(vek::requireObject(n)); }, "getNodePath");
    method(path, "getNodePath", [](const Path& p) { return p.getNodePath(); });
}

void bindCoordinates(py::module_& m) {
    py::class_<Coordinates, std::shared_ptr<Coordinates>> c(m, "Coordinates", doc("Coordinates"));
    c.def(py::init<bool>(), py::arg("drivesNodes") = false);
    method(c, "init", &Coordinates::init);
    readWrite(c, "system", &Coordinates::system, &Coordinates::setSystem);
    method(c, "setupTranslation", &Coordinates::setupTranslation, py::arg("Tx"), py::arg("Ty"), py::arg("Tz"),
           py::arg("isChained") = false);
    method(c, "setupReverse", &Coordinates::setupReverse, py::arg("xReverse"), py::arg("yReverse"),
           py::arg("zReverse"));
    method(c, "setupScale", &Coordinates::setupScale, py::arg("xScale"), py::arg("yScale"), py::arg("zScale"),
           py::arg("isChained") = false);
    method(c, "setupRotate", &Coordinates::setupRotate, py::arg("angle"), py::arg("axis"),
           py::arg("isChained") = false);
    method(
        c, "ApplyTransformationToNode",
        [](const Coordinates& self, const std::shared_ptr<Node>& node, int16_t direction) {
            self.ApplyTransformationToNode(vek::requireObject(node), direction);
        },
        py::arg("tmpNode"), py::arg("fromToDirection") = 0);
    method(
        c, "ApplyTransformationToPath",
        [](const Coordinates& self, const std::shared_ptr<NodePath>& path) {
            self.ApplyTransformationToPath(vek::requireObject(path));
        },
        py::arg("tmpNodePath"));
    readOnly(c, "matrix", [](const Coordinates& self) { return self.matrix(); });
    readOnly(c, "isReverse", &Coordinates::isReverse);
}

}  // namespace

void bindGeometry(py::module_& m) {
    bindPoint(m);
    bindNode(m);
    bindCollection<std::shared_ptr<Node>>(m, "NodeCollection");
    bindNodePath(m);
    bindPath(m);
    bindCoordinates(m);
}

}  // namespace vekpy
