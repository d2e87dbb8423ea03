#pragma once
#include <memory>
#include <vector>

#include "vek/geometry/Machine.h"
#include "vek/geometry/NodePath.h"
#include "vek/geometry/RefinedPath.h"

namespace vek {

class PathEngine;
class ProfileArray;

// What a trajectory is generated with besides the path and the machine.
struct MotionSettings {
    double maxSpeed = 5.0;       // counts per servo sample
    double acceleration = 0.01;  // counts per servo sample squared
    bool slowToEnd = true;
    double cornerRadius = 0.0;  // pitch-scaled counts
    int16_t timeDelta = 128;    // servo samples per step
};

// A generated trajectory: one node per time step (values in the machine's
// coordinate system) and the step times. No nodes when nothing could be
// generated.
struct Trajectory {
    std::shared_ptr<NodeCollection> nodes;
    TimeArray time;
};

// Trajectory generation as a planner: a function of the path, the machine
// (pitch ratios, connected axes, coordinate system) and the engine's speed
// profiles that returns the trajectory and touches nothing else. Polyline
// corners are rounded with arcs of the corner radius, arc paths are cut into
// chords (50 per turn), and the profile over the refined length is sampled
// into one node per time step. NodePath::generatePath puts the result in
// front of the process-wide cache.
class TrajectoryGenerator {
public:
    static constexpr int CHORDS_PER_TURN = 50;
    // No arc is cut into more chords than this; more raises INVALID_ARGUMENTS.
    static constexpr int64_t MAX_ARC_POINTS = 2000000;

    // The chain headed by `path` (polylines and arcs; other paths are left
    // out). No nodes, with a log line, when the chain has no length.
    static Trajectory generatePath(const std::shared_ptr<NodePath>& path, const Machine& machine, PathEngine& engine,
                                   const MotionSettings& settings);
    // Straight move of the machine's line axes with the multi-axis profile.
    static Trajectory generateLinePath(const Node& fromNode, const Node& toNode, const Machine& machine,
                                       PathEngine& engine, const MotionSettings& settings);
    // Straight move as a one-segment path (one-dimensional profile).
    static Trajectory generateLinePathTarn(const Node& fromNode, const Node& toNode, const Machine& machine,
                                           PathEngine& engine, const MotionSettings& settings);

    // A polyline with its corners rounded with settings.cornerRadius
    // (corners that cannot be rounded stay sharp, with a log line saying why).
    static RefinedPath generateConnectedPath(const NodePath& path, const Machine& machine,
                                             const MotionSettings& settings);
    // An arc path (center, start, end, direction, pitch, rotations) as chords.
    static RefinedPath generateArcPath(const NodePath& path, const Machine& machine);
    // Chord end points of an arc in the XY plane about `center` from `start`
    // towards `end`, turning the way `direction` lies from start; axis 3
    // advances pitch per turn, axes 4..8 run evenly from start to end. Empty
    // when the arc cannot be drawn.
    static std::vector<RefinedPath::Axes> generateArcPoints(const Node& center, const Node& start, const Node& end,
                                                            const Node& direction, double pitch, double rotations,
                                                            const Machine& machine);
    // The engine's profile over the refined path's length, sampled.
    static Trajectory generateConnectedPathTarn(const RefinedPath& path, PathEngine& engine,
                                                const MotionSettings& settings);

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
