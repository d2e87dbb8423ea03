#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "SvgPicture.h"

namespace vek {
class LinearSlides;
class NodePath;
}  // namespace vek

namespace vekctl {

// What went wrong, as the process exit code (listed in vekctl --help).
namespace Exit {
enum Value : int {
    OK = 0,
    USAGE = 1,
    INSTALL = 2,
    DATABASE = 3,
    CONNECTION = 4,
    HOMING = 5,
    MOTION = 6,
    PICTURE = 7,
    OUTPUT = 8,
    COMMAND = 9,
    LINE = 10,
    PANEL = 11,
    IMPORT = 12,
    // vekctl run: the user program failed otherwise (13), Python could not
    // be started (14), Ctrl-C ended the program (130).
    PROGRAM = 13,
    PYTHON = 14,
    INTERRUPTED = 130,
    // vekctl program: the build found errors (15), a file could not be
    // read or written (16), the motor refused or failed (17).
    MOTOR_PROGRAM = 15,
    MOTOR_PROGRAM_FILE = 16,
    MOTOR_PROGRAM_MOTOR = 17,
};
}  // namespace Exit

struct DemoOptions {
    std::string home;                  // install folder
    std::string svg = "vek-demo.svg";  // picture of the run
    bool realTime = false;             // wait in wall-clock time instead of virtual time
    bool sound = false;                // play the motion sound
    bool quiet = false;                // no progress bars
    std::string port;                  // a real (or emulated) chain instead of the simulation
};

// The simulated gantry end to end: three simulated axes on the install's
// database, homed, then a stored rounded polyline and a helical arc drawn
// with a live progress bar; final positions printed and the run drawn as SVG.
class Demo {
public:
    explicit Demo(DemoOptions options);
    int run();

private:
    int prepare();
    int connect();
    int home();
    int drawStoredPolyline();
    int drawHelix();
    int finish();

    // Gives each of axes 1..3 that has no SmartMotor slide (none, or one of
    // another family) the demo's SmartMotor slide; axes on a SmartMotor slide
    // keep theirs. Coordinated motion drives only SmartMotor-family axes, and
    // the built-in slide models are all of the Dravo family.
    void ensureSmartMotorAxes();
    std::shared_ptr<vek::NodePath> storedPolyline();
    // Draws `path` with a progress bar fed by the event pump and motionEvent.
    int draw(const std::shared_ptr<vek::NodePath>& path, const std::string& label, double cornerRadius);
    void sample();
    std::string chainName() const;
    void startTrajectory(const vek::NodePath& path);
    double mm(int16_t axis, int32_t counts) const;

    DemoOptions options_;
    std::shared_ptr<vek::LinearSlides> slides_;
    SvgPicture picture_;
    std::string previousSoftwareMotors_;
    bool restoreSoftwareMotors_ = false;
    // Progress of the path being drawn.
    std::shared_ptr<const void> trajectorySeen_;
    double trajectoryStart_ = 0;
    double trajectorySeconds_ = 0;
    int shownPercent_ = -1;
    std::string label_;
    std::vector<std::string> labels_;  // bars still to come in this drawing
    double lastSample_ = -1;           // over a serial line: when the axes were last read
    bool live_ = false;                // redraw bars in place (a terminal)
    bool eventSeen_ = false;
    Point3 last_{};
    bool haveLast_ = false;
};

}  // namespace vekctl
