#include "vek/geometry/TrajectoryGenerator.h"

#include <cmath>
#include <string>
#include <unordered_set>

#include "vek/foundation/Convert.h"
#include "vek/foundation/Log.h"
#include "vek/foundation/NumberedError.h"
#include "vek/geometry/Coordinates.h"
#include "vek/geometry/FastRound.h"
#include "vek/geometry/GeometryMath.h"
#include "vek/geometry/PathEngine.h"
#include "vek/geometry/ProfileArray.h"

namespace vek {

namespace {

using Geo = GeometryMath;

struct Ratios {
    double x, y, z;
};

Ratios pitchRatios(const Machine& machine) {
    return {machine.pitchRatios[1], machine.pitchRatios[2], machine.pitchRatios[3]};
}

void configure(PathEngine& engine, const MotionSettings& settings) {
    engine.setStartClock(0);
    engine.setTimeDelta(settings.timeDelta);
    engine.setStartSpeed(0.0);
    engine.setAcceleration(settings.acceleration);
    engine.setSlowToEndSpeed(settings.slowToEnd);
    engine.setEndSpeed(0.0);
}

// The developer dump of a trajectory, as a path of its nodes shows it.
std::string describeTrajectory(const std::shared_ptr<NodeCollection>& nodes) {
    NodePath path;
    path.setNodes(nodes);
    return path.toString();
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
    if (!logs(LogLevel::DEVELOPER)) {
        plane.transformAxes(axes.data());
        return;
    }
    Node node;
    for (int i = 0; i < MAX_MOTORS; ++i) node.setSlotAxis(slot, i + 1, axes[static_cast<std::size_t>(i)]);
    plane.ApplyTransformationToNode(node, COORDINATE_SYSTEM::TRANSFORM_FROM_EFFECTIVE_TO_EFFECTIVE);
    for (int i = 0; i < MAX_MOTORS; ++i) axes[static_cast<std::size_t>(i)] = node.slotAxis(slot, i + 1);
}

}  // namespace

Trajectory TrajectoryGenerator::generatePath(const std::shared_ptr<NodePath>& path, const Machine& machine,
                                             PathEngine& engine, const MotionSettings& settings) {
    RefinedPath refined(machine);
    for (const NodePath* p : chainOf(path)) {
        RefinedPath part(machine);
        if (p->pathType() == PathConstants::LINEAR_PATH)
            part = generateConnectedPath(*p, machine, settings);
        else if (p->pathType() == PathConstants::ARC_PATH)
            part = generateArcPath(*p, machine);
        else
            continue;
        // The first part's lengths already run from 0: it is the start.
        if (refined.empty())
            refined = std::move(part);
        else
            refined.append(part);
    }
    if (!(refined.length() > 0)) {
        logAt(LogLevel::Error, "Invalid data for path generation");
        return {};
    }
    return generateConnectedPathTarn(refined, engine, settings);
}

Trajectory TrajectoryGenerator::generateConnectedPathTarn(const RefinedPath& path, PathEngine& engine,
                                                          const MotionSettings& settings) {
    configure(engine, settings);
    if (logs(LogLevel::DEVELOPER)) {
        logAt(LogLevel::DEVELOPER, "generateConnectedPathTarn : pathLength = " + toText(path.length()));
        logAt(LogLevel::DEVELOPER, "generateConnectedPathTarn : maxSpeed = " + toText(settings.maxSpeed));
        smiPathToString(engine);
    }
    const ProfileArray profile = engine.oneDimensionalProfile(settings.maxSpeed, path.length());
    Trajectory out{std::make_shared<NodeCollection>(), {}};
    sampleAlongPath(path, profile, *out.nodes, out.time);
    if (logs(LogLevel::DEVELOPER)) {
        logAt(LogLevel::DEVELOPER, "GenerateConnectedPathFromLines = " + describeTrajectory(out.nodes) + "\r\n");
        timeArrayToString(out.time);
    }
    return out;
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
            while (b < n - 1 && path[b].length < d - Geo::GEOMETRY_ZERO) ++b;
            const std::size_t toIndex = std::min(b, n - 1);
            const std::size_t fromIndex = toIndex - (n > 1 ? 1 : 0);
            const RefinedPath::Point& from = path[fromIndex];
            const RefinedPath::Point& to = path[toIndex];
            const double total = Geo::distanceBetweenAxes(from.axes.data(), to.axes.data(), r[0], r[1], r[2]);
            if (total >= Geo::GEOMETRY_ZERO) {
                RefinedPath::Axes axes;
                Geo::interpolateAxes(from.axes.data(), to.axes.data(), total, d - from.length, axes.data());
                node = std::make_shared<Node>();
                for (int i = 0; i < MAX_MOTORS; ++i) node->setSlotAxis(slot, i + 1, axes[static_cast<std::size_t>(i)]);
            } else {
                logAt(LogLevel::DEVELOPER,
                      "From and To points are identical. Can't find a point on the path of zero length");
                node = path.node(fromIndex);
            }
        }
        time[static_cast<std::size_t>(j)] = roundToInt32(profile.time(j));
        if (node) out.add(std::move(node));
    }
}

Trajectory TrajectoryGenerator::generateLinePath(const Node& fromNode, const Node& toNode, const Machine& machine,
                                                 PathEngine& engine, const MotionSettings& settings) {
    configure(engine, settings);
    const int16_t motors = machine.lineAxes();
    const int slot = machine.slot();
    std::vector<int32_t> targets(static_cast<std::size_t>(motors));
    for (int16_t i = 1; i <= motors; ++i) {
        engine.setStartPoint(i, fromNode.slotAxis(slot, i));
        targets[static_cast<std::size_t>(i - 1)] = toNode.slotAxis(slot, i);
    }
    smiPathToString(engine);
    const ProfileArray profile = engine.multiAxisProfile(settings.maxSpeed, targets);
    Trajectory out{std::make_shared<NodeCollection>(), TimeArray(static_cast<std::size_t>(profile.steps()) + 1, 0)};
    out.nodes->reserve(static_cast<std::size_t>(profile.steps()));
    for (int32_t j = 1; j <= profile.steps(); ++j) {
        auto node = std::make_shared<Node>();
        for (int i = 1; i <= motors; ++i) node->setSlotAxis(slot, i, roundToInt32(profile.at(i, j)));
        out.time[static_cast<std::size_t>(j)] = roundToInt32(profile.time(j));
        out.nodes->add(std::move(node));
    }
    timeArrayToString(out.time);
    return out;
}

Trajectory TrajectoryGenerator::generateLinePathTarn(const Node& fromNode, const Node& toNode, const Machine& machine,
                                                     PathEngine& engine, const MotionSettings& settings) {
    configure(engine, settings);
    RefinedPath segment(machine);
    segment.append(fromNode.clone(false, machine.slot()));
    segment.append(toNode.clone(false, machine.slot()));
    const ProfileArray profile = engine.oneDimensionalProfile(settings.maxSpeed, segment.length());
    Trajectory out{std::make_shared<NodeCollection>(), {}};
    sampleAlongPath(segment, profile, *out.nodes, out.time);
    timeArrayToString(out.time);
    return out;
}

RefinedPath TrajectoryGenerator::generateConnectedPath(const NodePath& path, const Machine& machine,
                                                       const MotionSettings& settings) {
    const double cornerRadius = settings.cornerRadius;
    if (logs(LogLevel::DEVELOPER)) {
        logAt(LogLevel::DEVELOPER, "Current coordinate axis = " + std::to_string(machine.coordinateSystem));
        logAt(LogLevel::DEVELOPER, "generateConnectedPath : pathLength = " + toText(path.effectiveLength()));
        logAt(LogLevel::DEVELOPER, "generateConnectedPath : maxSpeed = " + toText(settings.maxSpeed));
        logAt(LogLevel::DEVELOPER, "Generating connected path for = " + path.toString());
    }
    if (std::isnan(cornerRadius)) raiseInvalidArgument("The corner radius of a path must be a number (got NaN)");
    RefinedPath out(machine);
    const Ratios r = pitchRatios(machine);
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
        auto from = tangentOut ? tangentOut : before.clone(false, slot);
        auto to = source->item(k + 1)->clone(false, slot);
        const double t = cornerRadius / std::tan(theta / 2);
        const double lengthOfFromLine = vertex.lengthFromStart(slot) - from->lengthFromStart(slot);
        const double lengthOfToLine = to->lengthFromStart(slot) - vertex.lengthFromStart(slot);
        if (cornerRadius == 0) {
            logAt(LogLevel::DEVELOPER, "CornerRadius is zero. Skipping the arc at the vertex " + name);
            keepSharp();
            continue;
        }
        if (cornerRadius < 0) {
            logAt(LogLevel::WARNING, "CornerRadius is negative. Skipping the arc at the vertex " + name);
            keepSharp();
            continue;
        }
        if (t > lengthOfFromLine) {
            logAt(LogLevel::DEVELOPER, "lengthFromVertexToTangent is greater than lengthOfFromLine.");
            logAt(LogLevel::WARNING, "Skipping the arc (will not fit) at the vertex " + name);
            keepSharp();
            continue;
        }
        if (t > lengthOfToLine) {
            logAt(LogLevel::DEVELOPER, "lengthFromVertexToTangent is greater lengthOfToLine. ");
            logAt(LogLevel::WARNING, "Skipping the arc (will not fit) at the vertex " + name);
            keepSharp();
            continue;
        }
        const Geo::Vector normal = Geo::vectorCrossProduct(Geo::vectorFromTwoNodes(vertex, *from, r.x, r.y, r.z, slot),
                                                           Geo::vectorFromTwoNodes(vertex, *to, r.x, r.y, r.z, slot));
        if (Geo::vectorLength(normal) == 0) {
            logAt(LogLevel::DEVELOPER, "The vertex is on a straight line. Skipping the arc at the vertex " + name);
            keepSharp();
            continue;
        }
        Coordinates plane;
        plane.setSystem(machine.coordinateSystem);
        plane.setupPreTransformation(before, normal);
        auto t1 = Geo::getNodeOnPath(vertex, *from, t, machine);
        auto t2 = Geo::getNodeOnPath(vertex, *to, t, machine);
        auto pIn = from->clone(true, slot), vIn = vertex.clone(true, slot), nIn = to->clone(true, slot);
        auto t1In = t1->clone(true, slot), t2In = t2->clone(true, slot);
        for (const auto& node : {pIn, vIn, nIn, t1In, t2In})
            plane.ApplyTransformationToNode(*node, COORDINATE_SYSTEM::TRANSFORM_FROM_EFFECTIVE_TO_EFFECTIVE);

        // The corner circle's center is where the normals at the two tangent
        // points meet, worked in pitch-scaled coordinates.
        auto normalSlope = [](double m) { return m == 0 ? -1 / Geo::GEOMETRY_ZERO : -1 / m; };
        const double k1 = normalSlope(Geo::slopeOfLine(*pIn, *vIn, r.x, r.y, slot));
        const double k2 = normalSlope(Geo::slopeOfLine(*vIn, *nIn, r.x, r.y, slot));
        const double b1 = t1In->slotAxis(slot, 2) * r.y - k1 * t1In->slotAxis(slot, 1) * r.x;
        const double b2 = t2In->slotAxis(slot, 2) * r.y - k2 * t2In->slotAxis(slot, 1) * r.x;
        if (k1 == k2) {
            logAt(LogLevel::DEVELOPER, "The vertex is on a straight line. Skipping the arc at the vertex " + name);
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
        logAt(LogLevel::DEVELOPER, [&] {
            return "Center of circle = (" + std::to_string(center.slotAxis(slot, 1)) + "," +
                   std::to_string(center.slotAxis(slot, 2)) + ")";
        });
        auto arc = generateArcPoints(center, *t1In, *t2In, *vIn, 0.0, 1.0, machine);
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
    logAt(LogLevel::DEVELOPER, [&] { return "Generated connected path = " + out.toNodePath()->toString(); });
    return out;
}

RefinedPath TrajectoryGenerator::generateArcPath(const NodePath& path, const Machine& machine) {
    RefinedPath out(machine);
    const Ratios r = pitchRatios(machine);
    const int slot = machine.slot();
    auto centerNode = path.getNodeByName("center");
    auto startNode = path.getNodeByName("start");
    auto endNode = path.getNodeByName("end");
    auto directionNode = path.getNodeByName("direction");
    auto pitchNode = path.getNodeByName("pitch");
    auto rotationsNode = path.getNodeByName("rotations");
    if (!centerNode || !startNode || !endNode) {
        logAt(LogLevel::WARNING, "Invalid data for arc");
        return out;
    }
    // Pitch and turns are counts kept in axis 1 of their construction nodes.
    const double pitch = pitchNode ? pitchNode->axis(1) : 0.0;
    const double rotations = rotationsNode ? rotationsNode->axis(1) : 1.0;
    auto center = centerNode->clone(true, slot), start = startNode->clone(true, slot);
    auto end = endNode->clone(true, slot);
    auto direction = directionNode ? directionNode->clone(true, slot) : end->clone(true, slot);

    const Node* inPlane = end.get();
    if (Geo::scalarTriangleAreaThreeDimension(*start, *center, *end, r.x, r.y, r.z, slot) == 0) {
        inPlane = directionNode ? direction.get() : nullptr;
        if (!inPlane || Geo::scalarTriangleAreaThreeDimension(*start, *center, *direction, r.x, r.y, r.z, slot) == 0) {
            logAt(LogLevel::Error, "The plane containing three points can't be defined. Please check the data.");
            return out;
        }
    }
    const Geo::Vector normal = Geo::vectorCrossProduct(Geo::vectorFromTwoNodes(*center, *start, r.x, r.y, r.z, slot),
                                                       Geo::vectorFromTwoNodes(*center, *inPlane, r.x, r.y, r.z, slot));
    Coordinates plane;
    plane.setSystem(machine.coordinateSystem);
    plane.setupPreTransformation(*center, normal);
    for (const auto& node : {center, start, end, direction})
        plane.ApplyTransformationToNode(*node, COORDINATE_SYSTEM::TRANSFORM_FROM_EFFECTIVE_TO_EFFECTIVE);
    auto points = generateArcPoints(*center, *start, *end, *direction, pitch, rotations, machine);
    plane.setupPostTransformation();
    out.reserve(points.size());
    for (auto& point : points) {
        transformPoint(plane, point, out.slot());
        out.append(point);
    }
    logAt(LogLevel::DEVELOPER, [&] { return "Generated connected path = " + out.toNodePath()->toString(); });
    return out;
}

std::vector<RefinedPath::Axes> TrajectoryGenerator::generateArcPoints(const Node& center, const Node& start,
                                                                      const Node& end, const Node& direction,
                                                                      double pitch, double rotations,
                                                                      const Machine& machine) {
    const Ratios r = pitchRatios(machine);
    const int slot = machine.slot();
    const double radius = Geo::distanceBetweenNodes(center, start, r.x, r.y, r.z, slot);
    const double area = Geo::vectorTriangleAreaTwoDimension(center, start, direction, slot);
    if (area == 0) {
        logAt(LogLevel::WARNING, "Invalid data for drawing an arc. Please check the data.");
        return {};
    }
    if (!(radius > 0)) {
        logAt(LogLevel::WARNING, "Invalid data for arc");
        return {};
    }
    const int sense = area > 0 ? 1 : -1;
    const double theta1 =
        Geo::atan(Geo::slopeOfLine(center, start, r.x, r.y, slot), Geo::whichQuadrant(center, start, slot));
    const double theta2 =
        Geo::atan(Geo::slopeOfLine(center, end, r.x, r.y, slot), Geo::whichQuadrant(center, end, slot));
    const double fullTurn = 2 * Geo::PI;
    const double raw = theta2 - theta1;
    double sweep;
    if (theta1 == theta2)
        sweep = fullTurn;
    else if (sense > 0)
        sweep = raw > 0 ? raw : fullTurn + raw;
    else
        sweep = raw < 0 ? -raw : fullTurn - raw;
    if (logs(LogLevel::DEVELOPER)) {
        logAt(LogLevel::DEVELOPER,
              "theta1 = " + toText(theta1) + ", theta2 = " + toText(theta2) + ", direction = " + std::to_string(sense));
        logAt(LogLevel::DEVELOPER, "adjusted theta = " + toText(Geo::radToDegree(sweep)));
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
    const bool logDistances = logs(LogLevel::DEVELOPER);
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
                logAt(LogLevel::DEVELOPER, "Distance from center is " +
                                               toText(Geo::distanceBetweenAxes(c.data(), point.data(), r.x, r.y, r.z)));
            points.push_back(point);
        }
    }
    return points;
}

void TrajectoryGenerator::smiPathToString(const PathEngine& engine) {
    if (!logs(LogLevel::DEVELOPER)) return;
    logAt(LogLevel::DEVELOPER, "###SmiPath[ startPoint=(" + std::to_string(engine.startPoint(1)) + "," +
                                   std::to_string(engine.startPoint(2)) + "," + std::to_string(engine.startPoint(3)) +
                                   ")" + " startClock =(" + std::to_string(engine.startClock()) + ")" +
                                   " startSpeed =(" + toText(engine.startSpeed()) + ")" + " endSpeed=(" +
                                   toText(engine.endSpeed()) + ")" + " acceleration=(" + toText(engine.acceleration()) +
                                   ")" + " slowToEndSpeed=(" + toText(engine.slowToEndSpeed()) + ")" + " timeDelta=(" +
                                   std::to_string(engine.timeDelta()) + ")" + " plane=(" +
                                   std::to_string(engine.plane()) + ")]");
}

void TrajectoryGenerator::timeArrayToString(const TimeArray& time) {
    if (!logs(LogLevel::DEVELOPER)) return;
    for (std::size_t i = 1; i < time.size(); ++i)
        logAt(LogLevel::DEVELOPER, "timeArray[" + std::to_string(i) + "] = " + std::to_string(time[i]));
}

}  // namespace vek
