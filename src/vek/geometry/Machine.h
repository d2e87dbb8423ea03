#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "vek/foundation/NotGiven.h"

namespace vek {

constexpr int16_t MAX_MOTORS = 8;

// One axis as the database describes it: the slide it is built from and its
// homing offsets. Lengths in mm.
struct AxisSettings {
    std::string name;        // the stored axis name; empty for the default name
    std::string slideModel;  // empty without a slide model
    double pitch = 0.0;      // mm per motor revolution; 0 without a slide
    double stroke = 0.0;
    int16_t motorType = static_cast<int16_t>(NOT_GIVEN);
    double negativeHomingOffset = 0.0;
    double positiveHomingOffset = 0.0;
};

// The machine as the façade loaded it from the database and found it on the
// chain: what trajectory generation, coordinated motion and the geometry of
// nodes need to know, as one value. The façade builds it afresh whenever it
// loads the database, opens or closes the chain or changes the pitch ratios,
// and hands it down.
struct Machine {
    // Axes 1..8 at indices 0..7.
    std::array<AxisSettings, MAX_MOTORS> axes{};
    // What one count of axis i (1..8) measures relative to axis 1, so that
    // lengths of axes 1..3 can be added; index 0 is 0.
    std::array<double, MAX_MOTORS + 1> pitchRatios{0.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0, 1.0};
    // Axes found on the chain; 0 before a connection is open.
    int16_t axisCount = 0;
    // The configured display unit (a Units value; 0 = motor units).
    int16_t unit = 0;
    // The coordinate system node values refer to (COORDINATE_SYSTEM).
    int16_t coordinateSystem = 0;

    // Pitch ratio of axis 0..8; any other index raises 9.
    double pitchRatio(int16_t axis) const;
    void setPitchRatio(int16_t axis, double ratio);
    // The node value slot of a coordinate system: 0 world, 1 user (and tmp,
    // which shares it), -1 for any other system, which keeps no values.
    static int slotOf(int system) { return system == 0 ? 0 : (system == 1 ? 1 : -1); }
    int slot() const { return slotOf(coordinateSystem); }
    // Axes that take part in a straight move of all axes: the connected
    // ones, or all eight when none is connected yet.
    int16_t lineAxes() const { return axisCount > 0 && axisCount <= MAX_MOTORS ? axisCount : MAX_MOTORS; }
};

// The machine that nodes, paths and the node geometry measure against when
// no machine is handed to them. Node values switch with the process's
// coordinate system at every read (a node read while the user system is on
// shows its user values) and millions of trajectory nodes cannot each carry
// a reference, so this one value is process-wide: the façade publishes the
// machine it loads, the process-wide Coordinates the system it switches to.
const Machine& activeMachine();
void setActiveMachine(const Machine& machine);
void setActiveCoordinateSystem(int16_t system);
// Back to a machine of nothing connected, ratios 1, the world system.
void resetActiveMachine();

}  // namespace vek
