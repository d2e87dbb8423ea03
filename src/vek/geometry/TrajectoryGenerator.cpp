#include "vek/geometry/TrajectoryGenerator.h"

#include <cmath>
#include <string>
#include <unordered_set>

#include "vek/comm/engine/PathEngine.h"
#include "vek/comm/engine/ProfileArray.h"
#include "vek/foundation/Convert.h"
#include "vek/foundation/Utils.h"
#include "vek/geometry/Coordinates.h"
#include "vek/geometry/FastRound.h"
#include "vek/geometry/PathCache.h"
#include "vek/motion/Runtime.h"

namespace vek {

namespace {

struct Ratios {
    double x, y, z;
};

Ratios pitchRatios() {
    const Runtime& rt = runtime();
    return {rt.pitchRatio(1), rt.pitchRatio(2), rt.pitchRatio(3)};
}

int16_t currentSystem() {
    const auto& coordinates = runtime().coordinates;
    return coordinates ? coordinates->system() : 0;
}

void configure(PathEngine& engine, int16_t timeDelta, double acceleration, bool slowToEnd) {
    engine.setStartClock(0);
    engine.setTimeDelta(timeDelta);
    engine.setStartSpeed(0.0);
    engine.setAcceleration(acceleration);
    engine.setSlowToEndSpeed(slowToEnd);
    engine.setEndSpeed(0.0);
}

// The chain from `head` along nextPath; a chain that comes back to one of its
// paths would never end, so it is refused.
std::vector<const NodePath*> chainOf(const std::shared_ptr<NodePath>& head) {
    std::vector<const NodePath*> chain;
    std::unordered_set<const NodePath*> seen;
    for (const NodePath* p = head.get(); p; p = p->nextPath().get()) {
        if (!seen.insert(p).second)
            raiseInvalidArgument("The chain of paths comes back to the path '" + p->name() +
                                 "'; a path can appear only once in a chain");
        chain.push_back(p);
    }
    return chain;
}

// Applies `plane` to axes 1..3 of a chord point the way it transforms a
// node, the developer log lines of the transformation included.
void transformPoint(const Coordinates& plane, RefinedPath::Axes& axes, int slot) {
    if (!doLogMessage(6)) {
        plane.transformAxes(axes.data());
        return;
    }
    Node node;
    for (int i = 0; i < MAX_MOTORS; ++i) node.setSlotAxis(slot, i + 1, axes[static_cast<std::size_t>(i)]);
    plane.ApplyTransformationToNode(node, COORDINATE_SYSTEM::TRANSFORM_FROM_EFFECTIVE_TO_EFFECTIVE);
    for (int i = 0; i < MAX_MOTORS; ++i) axes[static_cast<std::size_t>(i)] = node.slotAxis(slot, i + 1);
}

}  // namespace

TimeArray TrajectoryGenerator::generatePath(NodePath& self, const std::shared_ptr<NodePath>& tmpNodePath,
                                            double maxSpeed, double acceleration, bool slowToEnd, double cornerRadius) {
    self.setNodes(nullptr);
    const auto& cache = runtime().pathCache;
    if (tmpNodePath && cache) {
        if (auto hit = cache->getCache(tmpNodePath->key(), maxSpeed, acceleration, slowToEnd, cornerRadius)) {
            self.setNodes(hit);
            return cache->timeArray();
        }
    }
    RefinedPath refined;
    for (const NodePath* p : chainOf(tmpNodePath)) {
        RefinedPath part;
        if (p->pathType() == PathConstants::LINEAR_PATH)
            part = generateConnectedPath(*p, maxSpeed, acceleration, slowToEnd, cornerRadius);
        else if (p->pathType() == PathConstants::ARC_PATH)
            part = generateArcPath(*p, maxSpeed, acceleration, slowToEnd);
        else
            continue;
        // The first part's lengths already run from 0: it is the start.
        if (refined.empty())
            refined = std::move(part);
        else
            refined.append(part);
    }
    if (!(refined.length() > 0)) {
        logMessage("Invalid data for path generation", 3, -1, "Unknown");
        return {};
    }
    TimeArray time = generateConnectedPathTarn(self, refined, maxSpeed, acceleration, slowToEnd);
    if (cache)
        cache->addCache(tmpNodePath->key(), maxSpeed, acceleration, slowToEnd, cornerRadius, self.nodes(),
                        self.TIMEDELTA());
    tmpNodePath->setDirty(false);
    return time;
}

TimeArray TrajectoryGenerator::generateConnectedPathTarn(NodePath& self, const RefinedPath& path, double maxSpeed,
                                                         double acceleration, bool slowToEnd) {
    PathEngine& engine = self.engine();
    configure(engine, self.TIMEDELTA(), acceleration, slowToEnd);
    if (doLogMessage(6)) {
        logMessage("generateConnectedPathTarn : pathLength = " + toText(path.length()), 6);
        logMessage("generateConnectedPathTarn : maxSpeed = " + toText(maxSpeed), 6);
        smiPathToString(engine);
    }
    const ProfileArray profile = engine.oneDimensionalProfile(maxSpeed, path.length());
    auto nodes = std::make_shared<NodeCollection>();
    TimeArray time;
    sampleAlongPath(path, profile, *nodes, time);
    self.setNodes(nodes);
    if (doLogMessage(6)) {
        logMessage("GenerateConnectedPathFromLines = " + self.toString() + "\r\n", 6);
        timeArrayToString(time);
    }
    return time;
}

void TrajectoryGenerator::sampleAlongPath(const RefinedPath& path, const ProfileArray& profile, NodeCollection& out,
                                          TimeArray& time, bool searchFromStart) {
    const std::size_t n = path.size();
    if (n == 0) raiseInvalidArgument("A speed profile can't be sampled along a path without nodes");
    const int slot = path.slot();
    const double* r = path.ratios();
    const int32_t steps = profile.steps();
    const int distanceRows = profile.rows() - 1;
    time.assign(static_cast<std::size_t>(steps) + 1, 0);
    out.reserve(out.count() + static_cast<std::size_t>(steps));
    // `b` is the end point of the current segment (from b - 1 to b).
    std::size_t b = 1;
    double previous = -INFINITY;
    for (int32_t j = 1; j <= steps; ++j) {
        std::shared_ptr<Node> node;
        for (int row = 1; row <= distanceRows; ++row) {
            const double d = profile.at(row, j);
            // The forward walk relies on distances that never decrease; a
            // profile that goes back starts from the first segment again.
            if (searchFromStart || d < previous) b = 1;
            previous = d;
            while (b < n - 1 && path[b].length < d - Utils::GEOMETRY_ZERO) ++b;
            const std::size_t toIndex = std::min(b, n - 1);
            const std::size_t fromIndex = toIndex - (n > 1 ? 1 : 0);
            const RefinedPath::Point& from = path[fromIndex];
            const RefinedPath::Point& to = path[toIndex];
            const double total = Utils::distanceBetweenAxes(from.axes.data(), to.axes.data(), r[0], r[1], r[2]);
            if (total >= Utils::GEOMETRY_ZERO) {
                RefinedPath::Axes axes;
                Utils::interpolateAxes(from.axes.data(), to.axes.data(), total, d - from.length, axes.data());
                node = std::make_shared<Node>();
                for (int i = 0; i < MAX_MOTORS; ++i) node->setSlotAxis(slot, i + 1, axes[static_cast<std::size_t>(i)]);
            } else {
                logMessage("From and To points are identical. Can't find a point on the path of zero length", 6, -1,
                           "Unknown");
                node = path.node(fromIndex);
            }
        }
        time[static_cast<std::size_t>(j)] = roundToInt32(profile.time(j));
        if (node) out.add(std::move(node));
    }
}

TimeArray TrajectoryGenerator::generateLinePath(NodePath& self, const Node& fromNode, const Node& toNode,
                                                double maxSpeed, double acceleration, bool slowToEnd) {
    PathEngine& engine = self.engine();
    configure(engine, self.TIMEDELTA(), acceleration, slowToEnd);
    const int16_t counted = runtime().motorCount();
    // Without a façade (no motors counted yet) every axis takes part.
    const int16_t motors = counted > 0 && counted <= MAX_MOTORS ? counted : MAX_MOTORS;
    const int slot = Node::currentSlot();
    std::vector<int32_t> targets(static_cast<std::size_t>(motors));
    for (int16_t i = 1; i <= motors; ++i) {
        engine.setStartPoint(i, fromNode.slotAxis(slot, i));
        targets[static_cast<std::size_t>(i - 1)] = toNode.slotAxis(slot, i);
    }
    if (doLogMessage(6)) smiPathToString(engine);
    const ProfileArray profile = engine.multiAxisProfile(maxSpeed, targets);
    auto nodes = std::make_shared<NodeCollection>();
    nodes->reserve(static_cast<std::size_t>(profile.steps()));
    TimeArray time(static_cast<std::size_t>(profile.steps()) + 1, 0);
    for (int32_t j = 1; j <= profile.steps(); ++j) {
        auto node = std::make_shared<Node>();
        for (int i = 1; i <= motors; ++i) node->setSlotAxis(slot, i, roundToInt32(profile.at(i, j)));
        time[static_cast<std::size_t>(j)] = roundToInt32(profile.time(j));
        nodes->add(std::move(node));
    }
    self.setNodes(nodes);
    if (doLogMessage(6)) timeArrayToString(time);
    return time;
}

TimeArray TrajectoryGenerator::generateLinePathTarn(NodePath& self, const Node& fromNode, const Node& toNode,
                                                    double maxSpeed, double acceleration, bool slowToEnd) {
    PathEngine& engine = self.engine();
    configure(engine, self.TIMEDELTA(), acceleration, slowToEnd);
    RefinedPath segment;
    segment.append(fromNode.clone(false));
    segment.append(toNode.clone(false));
    const ProfileArray profile = engine.oneDimensionalProfile(maxSpeed, segment.length());
    auto nodes = std::make_shared<NodeCollection>();
    TimeArray time;
    sampleAlongPath(segment, profile, *nodes, time);
    self.setNodes(nodes);
    if (doLogMessage(6)) timeArrayToString(time);
    return time;
}

RefinedPath TrajectoryGenerator::generateConnectedPath(const NodePath& path, double maxSpeed, double acceleration,
                                                       bool slowToEnd, double cornerRadius) {
    (void)acceleration;
    (void)slowToEnd;
    if (doLogMessage(6)) {
        logMessage("Current coordinate axis = " + std::to_string(currentSystem()), 6);
        logMessage("generateConnectedPath : pathLength = " + toText(path.effectiveLength()), 6);
        logMessage("generateConnectedPath : maxSpeed = " + toText(maxSpeed), 6);
        logMessage("Generating connected path for = " + path.toString(), 6);
    }
    if (std::isnan(cornerRadius)) raiseInvalidArgument("The corner radius of a path must be a number (got NaN)");
    RefinedPath out;
    const Ratios r = pitchRatios();
    const int slot = out.slot();
    const auto& source = path.nodes();
    const std::size_t n = source ? source->count() : 0;
    std::shared_ptr<Node> tangentOut;  // exit tangent point of the previous corner, when it was rounded
    if (n > 0) out.reserve(n + (n - 1) * CHORDS_PER_TURN);
    for (std::size_t k = 1; k <= n; ++k) {
        const std::shared_ptr<Node>& vertexNode = source->item(k);
        const Node& vertex = *vertexNode;
        auto keepSharp = [&] {
            out.append(vertexNode);
            tangentOut.reset();
        };
        const double theta = vertex.cornerAngle(slot);
        if (!(theta > 0) || k == 1 || k == n) {
            keepSharp();
            continue;
        }
        const std::string& name = vertex.name();
        const Node& before = *source->item(k - 1);
        auto from = tangentOut ? tangentOut : before.clone(false);
        auto to = source->item(k + 1)->clone(false);
        const double t = cornerRadius / std::tan(theta / 2);
        const double lengthOfFromLine = vertex.lengthFromStart(slot) - from->lengthFromStart(slot);
        const double lengthOfToLine = to->lengthFromStart(slot) - vertex.lengthFromStart(slot);
        if (cornerRadius == 0) {
            logMessage("CornerRadius is zero. Skipping the arc at the vertex " + name, 6);
            keepSharp();
            continue;
        }
        if (cornerRadius < 0) {
            logMessage("CornerRadius is negative. Skipping the arc at the vertex " + name, 2);
            keepSharp();
            continue;
        }
        if (t > lengthOfFromLine) {
            logMessage("lengthFromVertexToTangent is greater than lengthOfFromLine.", 6);
            logMessage("Skipping the arc (will not fit) at the vertex " + name, 2);
            keepSharp();
            continue;
        }
        if (t > lengthOfToLine) {
            logMessage("lengthFromVertexToTangent is greater lengthOfToLine. ", 6);
            logMessage("Skipping the arc (will not fit) at the vertex " + name, 2);
            keepSharp();
            continue;
        }
        const Utils::Vector normal = Utils::vectorCrossProduct(Utils::vectorFromTwoNodes(vertex, *from, r.x, r.y, r.z),
                                                               Utils::vectorFromTwoNodes(vertex, *to, r.x, r.y, r.z));
        if (Utils::vectorLength(normal) == 0) {
            logMessage("The vertex is on a straight line. Skipping the arc at the vertex " + name, 6);
            keepSharp();
            continue;
        }
        Coordinates plane;
        plane.setSystem(currentSystem());
        plane.setupPreTransformation(before, normal);
        auto t1 = Utils::getNodeOnPath(vertex, *from, t);
        auto t2 = Utils::getNodeOnPath(vertex, *to, t);
        auto pIn = from->clone(true), vIn = vertex.clone(true), nIn = to->clone(true);
        auto t1In = t1->clone(true), t2In = t2->clone(true);
        for (const auto& node : {pIn, vIn, nIn, t1In, t2In})
            plane.ApplyTransformationToNode(*node, COORDINATE_SYSTEM::TRANSFORM_FROM_EFFECTIVE_TO_EFFECTIVE);

        // The corner circle's center is where the normals at the two tangent
        // points meet, worked in pitch-scaled coordinates.
        auto normalSlope = [](double m) { return m == 0 ? -1 / Utils::GEOMETRY_ZERO : -1 / m; };
        const double k1 = normalSlope(Utils::slopeOfLine(*pIn, *vIn, r.x, r.y));
        const double k2 = normalSlope(Utils::slopeOfLine(*vIn, *nIn, r.x, r.y));
        const double b1 = t1In->slotAxis(slot, 2) * r.y - k1 * t1In->slotAxis(slot, 1) * r.x;
        const double b2 = t2In->slotAxis(slot, 2) * r.y - k2 * t2In->slotAxis(slot, 1) * r.x;
        if (k1 == k2) {
            logMessage("The vertex is on a straight line. Skipping the arc at the vertex " + name, 6);
            keepSharp();
            continue;
        }
        const double x = (b2 - b1) / (k1 - k2);
        // Y from the flatter normal: the steep one multiplies X's rounding.
        const double y = std::abs(k1) <= std::abs(k2) ? k1 * x + b1 : k2 * x + b2;
        Node center;
        center.setSlotAxis(slot, 1, roundToInt32(x / r.x));
        center.setSlotAxis(slot, 2, roundToInt32(y / r.y));
        center.setSlotAxis(slot, 3, t1In->slotAxis(slot, 3));
        if (doLogMessage(6))
            logMessage("Center of circle = (" + std::to_string(center.slotAxis(slot, 1)) + "," +
                           std::to_string(center.slotAxis(slot, 2)) + ")",
                       6);
        auto arc = generateArcPoints(center, *t1In, *t2In, *vIn, 0.0, 1.0);
        if (arc.empty()) {
            keepSharp();
            continue;
        }
        plane.setupPostTransformation();
        for (auto& point : arc) {
            transformPoint(plane, point, slot);
            out.append(point);
        }
        t2->setLengthFromStart(slot, vertex.lengthFromStart(slot) + t);
        tangentOut = t2;
    }
    if (doLogMessage(6)) logMessage("Generated connected path = " + out.toNodePath()->toString(), 6);
    return out;
}

RefinedPath TrajectoryGenerator::generateArcPath(const NodePath& path, double maxSpeed, double acceleration,
                                                 bool slowToEnd) {
    (void)maxSpeed;
    (void)acceleration;
    (void)slowToEnd;
    RefinedPath out;
    const Ratios r = pitchRatios();
    auto centerNode = path.getNodeByName("center");
    auto startNode = path.getNodeByName("start");
    auto endNode = path.getNodeByName("end");
    auto directionNode = path.getNodeByName("direction");
    auto pitchNode = path.getNodeByName("pitch");
    auto rotationsNode = path.getNodeByName("rotations");
    if (!centerNode || !startNode || !endNode) {
        logMessage("Invalid data for arc", 2);
        return out;
    }
    // Pitch and turns are counts kept in axis 1 of their construction nodes.
    const double pitch = pitchNode ? pitchNode->axis(1) : 0.0;
    const double rotations = rotationsNode ? rotationsNode->axis(1) : 1.0;
    auto center = centerNode->clone(true), start = startNode->clone(true), end = endNode->clone(true);
    auto direction = directionNode ? directionNode->clone(true) : end->clone(true);

    const Node* inPlane = end.get();
    if (Utils::scalarTriangleAreaThreeDimension(*start, *center, *end, r.x, r.y, r.z) == 0) {
        inPlane = directionNode ? direction.get() : nullptr;
        if (!inPlane || Utils::scalarTriangleAreaThreeDimension(*start, *center, *direction, r.x, r.y, r.z) == 0) {
            logMessage("The plane containing three points can't be defined. Please check the data.", 3);
            return out;
        }
    }
    const Utils::Vector normal = Utils::vectorCrossProduct(Utils::vectorFromTwoNodes(*center, *start, r.x, r.y, r.z),
                                                           Utils::vectorFromTwoNodes(*center, *inPlane, r.x, r.y, r.z));
    Coordinates plane;
    plane.setSystem(currentSystem());
    plane.setupPreTransformation(*center, normal);
    for (const auto& node : {center, start, end, direction})
        plane.ApplyTransformationToNode(*node, COORDINATE_SYSTEM::TRANSFORM_FROM_EFFECTIVE_TO_EFFECTIVE);
    auto points = generateArcPoints(*center, *start, *end, *direction, pitch, rotations);
    plane.setupPostTransformation();
    out.reserve(points.size());
    for (auto& point : points) {
        transformPoint(plane, point, out.slot());
        out.append(point);
    }
    if (doLogMessage(6)) logMessage("Generated connected path = " + out.toNodePath()->toString(), 6);
    return out;
}

std::vector<RefinedPath::Axes> TrajectoryGenerator::generateArcPoints(const Node& center, const Node& start,
                                                                      const Node& end, const Node& direction,
                                                                      double pitch, double rotations) {
    const Ratios r = pitchRatios();
    const int slot = Node::currentSlot();
    const double radius = Utils::distanceBetweenNodes(center, start, r.x, r.y, r.z);
    const double area = Utils::vectorTriangleAreaTwoDimension(center, start, direction);
    if (area == 0) {
        logMessage("Invalid data for drawing an arc. Please check the data.", 2);
        return {};
    }
    if (!(radius > 0)) {
        logMessage("Invalid data for arc", 2);
        return {};
    }
    const int sense = area > 0 ? 1 : -1;
    const double theta1 = Utils::atan(Utils::slopeOfLine(center, start, r.x, r.y), Utils::whichQuadrant(center, start));
    const double theta2 = Utils::atan(Utils::slopeOfLine(center, end, r.x, r.y), Utils::whichQuadrant(center, end));
    const double fullTurn = 2 * Utils::PI;
    const double raw = theta2 - theta1;
    double sweep;
    if (theta1 == theta2)
        sweep = fullTurn;
    else if (sense > 0)
        sweep = raw > 0 ? raw : fullTurn + raw;
    else
        sweep = raw < 0 ? -raw : fullTurn - raw;
    if (doLogMessage(6)) {
        logMessage(
            "theta1 = " + toText(theta1) + ", theta2 = " + toText(theta2) + ", direction = " + std::to_string(sense),
            6);
        logMessage("adjusted theta = " + toText(Utils::radToDegree(sweep)), 6);
    }
    if (!std::isfinite(rotations) || !std::isfinite(pitch))
        raiseInvalidArgument("An arc needs a finite pitch and number of rotations");
    const double turns = std::floor(rotations);
    if (turns < 1) return {};
    if (turns * CHORDS_PER_TURN > MAX_ARC_POINTS)
        raiseInvalidArgument("An arc of " + toText(turns) + " rotations would need " + toText(turns * CHORDS_PER_TURN) +
                             " chords, more than the limit of " + std::to_string(MAX_ARC_POINTS));
    const auto total = static_cast<int64_t>(turns) * CHORDS_PER_TURN;
    std::vector<RefinedPath::Axes> points;
    points.reserve(static_cast<std::size_t>(total));
    RefinedPath::Axes c, s, e;
    for (int i = 0; i < MAX_MOTORS; ++i) {
        const auto at = static_cast<std::size_t>(i);
        c[at] = center.slotAxis(slot, i + 1);
        s[at] = start.slotAxis(slot, i + 1);
        e[at] = end.slotAxis(slot, i + 1);
    }
    // Every turn passes the same chord angles.
    std::array<double, CHORDS_PER_TURN + 1> x{}, y{};
    for (int k = 1; k <= CHORDS_PER_TURN; ++k) {
        const double angle = theta1 + sense * k * sweep / CHORDS_PER_TURN;
        x[static_cast<std::size_t>(k)] = c[0] + radius * std::cos(angle) / r.x;
        y[static_cast<std::size_t>(k)] = c[1] + radius * std::sin(angle) / r.y;
    }
    const bool logDistances = doLogMessage(6);
    int64_t index = 0;
    for (int64_t turn = 1; turn <= static_cast<int64_t>(turns); ++turn) {
        for (std::size_t k = 1; k <= CHORDS_PER_TURN; ++k) {
            ++index;
            RefinedPath::Axes point;
            point[0] = roundToInt32(x[k]);
            point[1] = roundToInt32(y[k]);
            point[2] = roundToInt32(s[2] + pitch * static_cast<double>(index) / CHORDS_PER_TURN);
            const double f = static_cast<double>(index) / static_cast<double>(total);
            for (std::size_t i = 3; i < MAX_MOTORS; ++i) {
                const double from = s[i];
                point[i] = roundToInt32(from + (e[i] - from) * f);
            }
            if (logDistances)
                logMessage("Distance from center is " +
                               toText(Utils::distanceBetweenAxes(c.data(), point.data(), r.x, r.y, r.z)),
                           6);
            points.push_back(point);
        }
    }
    return points;
}

void TrajectoryGenerator::smiPathToString(const PathEngine& engine) {
    if (!doLogMessage(6)) return;
    logMessage("###SmiPath[ startPoint=(" + std::to_string(engine.startPoint(1)) + "," +
                   std::to_string(engine.startPoint(2)) + "," + std::to_string(engine.startPoint(3)) + ")" +
                   " startClock =(" + std::to_string(engine.startClock()) + ")" + " startSpeed =(" +
                   toText(engine.startSpeed()) + ")" + " endSpeed=(" + toText(engine.endSpeed()) + ")" +
                   " acceleration=(" + toText(engine.acceleration()) + ")" + " slowToEndSpeed=(" +
                   toText(engine.slowToEndSpeed()) + ")" + " timeDelta=(" + std::to_string(engine.timeDelta()) + ")" +
                   " plane=(" + std::to_string(engine.plane()) + ")]",
               6);
}

void TrajectoryGenerator::timeArrayToString(const TimeArray& time) {
    if (!doLogMessage(6)) return;
    for (std::size_t i = 1; i < time.size(); ++i)
        logMessage("timeArray[" + std::to_string(i) + "] = " + std::to_string(time[i]), 6);
}

}  // namespace vek
