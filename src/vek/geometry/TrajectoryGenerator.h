#pragma once
#include <memory>
#include <vector>

#include "vek/geometry/NodePath.h"
#include "vek/geometry/RefinedPath.h"

namespace vek {

class PathEngine;
class ProfileArray;

// Turns stored paths into time-indexed trajectories for NodePath: polyline
// corners are rounded with arcs of the corner radius, arc paths are cut into
// chords (50 per turn), and the engine's speed profile over the refined
// length is sampled into one node per time step. Results are cached per path
// key and settings in the process-wide PathCache.
class TrajectoryGenerator {
public:
    static constexpr int CHORDS_PER_TURN = 50;
    // No arc is cut into more chords than this; more raises INVALID_ARGUMENTS.
    static constexpr int64_t MAX_ARC_POINTS = 2000000;

    static TimeArray generatePath(NodePath& self, const std::shared_ptr<NodePath>& tmpNodePath, double maxSpeed,
                                  double acceleration, bool slowToEnd, double cornerRadius);
    static TimeArray generateLinePath(NodePath& self, const Node& fromNode, const Node& toNode, double maxSpeed,
                                      double acceleration, bool slowToEnd);
    static TimeArray generateLinePathTarn(NodePath& self, const Node& fromNode, const Node& toNode, double maxSpeed,
                                          double acceleration, bool slowToEnd);

    // A polyline with its corners rounded (corners that cannot be rounded
    // stay sharp, with a log line saying why).
    static RefinedPath generateConnectedPath(const NodePath& path, double maxSpeed, double acceleration, bool slowToEnd,
                                             double cornerRadius);
    // An arc path (center, start, end, direction, pitch, rotations) as chords.
    static RefinedPath generateArcPath(const NodePath& path, double maxSpeed, double acceleration, bool slowToEnd);
    // Chord end points (current-system values) of an arc in the XY plane
    // about `center` from `start` towards `end`, turning the way `direction`
    // lies from start; axis 3 advances pitch per turn, axes 4..8 run evenly
    // from start to end. Empty when the arc cannot be drawn.
    static std::vector<RefinedPath::Axes> generateArcPoints(const Node& center, const Node& start, const Node& end,
                                                            const Node& direction, double pitch, double rotations);
    // Profile over path's length, sampled into self's nodes.
    static TimeArray generateConnectedPathTarn(NodePath& self, const RefinedPath& path, double maxSpeed,
                                               double acceleration, bool slowToEnd);

    // One node per profile step at the step's distance along `path`, and
    // the step times. The segment of each step is found by walking forward
    // from the previous step's segment; searchFromStart walks from the first
    // point at every step instead (same result, quadratic; kept as the
    // reference the forward walk is checked and measured against).
    static void sampleAlongPath(const RefinedPath& path, const ProfileArray& profile, NodeCollection& out,
                                TimeArray& time, bool searchFromStart = false);

    // Developer dumps (level 6).
    static void smiPathToString(const PathEngine& engine);
    static void timeArrayToString(const TimeArray& time);
};

}  // namespace vek
