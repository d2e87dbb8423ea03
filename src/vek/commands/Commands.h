#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "vek/foundation/Collection.h"
#include "vek/foundation/Event.h"

namespace vek {

class Calibration;
class Configuration;
class Coordinates;
class DataSet;
class DataSets;
class Error;
class IIOData;
class SingleMotorProgram;
class IMotor;
class LinearSlides;
class Measurement;
class MotorStatus;
class Node;
class Path;
class Point;

// The scripting surface that user programs call (one process-wide instance,
// Server::Commands). Each command checks its arguments with the shared
// validator, announces itself and its end at level 5 (the host's display,
// not the log file), converts user units into motor units and hands the work
// to the motors, the façade, calibration or the path model. Its own
// refusals, and the validator's when they reach a user program through a
// command, carry the source "QDX".
//
//   auto commands = vek::Server().Commands();
//   commands->Calibrate();                      // home every axis
//   commands->DoPositionMove(1, 100, 20, 50);   // axis 1 to 100 mm
//   commands->WaitForStop(1);
//
// Distances, speeds and accelerations are in the configured unit
// (Configuration::unit); values that are not finite are refused with error
// 11 rather than reaching a motor.
class Commands {
public:
    // What the command layer works on, asked at every command: several are
    // made after it (validator, façade, the database step's configuration
    // and datasets, the external I/O), and after shut-down each answers null,
    // which a command refuses with error 91 rather than working on objects
    // of a finished run.
    struct Sources {
        std::function<std::shared_ptr<Coordinates>()> coordinates;
        std::function<std::shared_ptr<Measurement>()> measurement;
        std::function<std::shared_ptr<Calibration>()> calibration;
        std::function<std::shared_ptr<const Error>()> validator;
        std::function<std::shared_ptr<LinearSlides>()> slides;
        std::function<std::shared_ptr<Configuration>()> configuration;
        std::function<std::shared_ptr<DataSets>()> dataSets;
        std::function<std::shared_ptr<IIOData>()> ioData;
        // Builds, downloads and runs the program texts of runMotorProgramText.
        std::function<std::shared_ptr<SingleMotorProgram>()> singleMotorProgram;
    };

    // The source of every error the command layer raises.
    static constexpr const char* SOURCE = "QDX";
    // Prefix of the configuration keys of stored values.
    static constexpr const char* VALUE_KEY_PREFIX = "qdx.mmp.";

    explicit Commands(Sources sources);
    ~Commands();
    Commands(const Commands&) = delete;
    Commands& operator=(const Commands&) = delete;

    // ---- motion ----
    // Logs `message` at `level` (0..4).
    void LogMessage(const std::string& message, int16_t level = 1);
    // Refreshes the one status object for motor `motorIndex` and returns it.
    std::shared_ptr<vek::MotorStatus> MotorStatus(int16_t motorIndex);
    // Waits until motor `motorIndex` (0: all) stops. With a monitored input
    // (monitorMotorIndex 0 is the external I/O) the motor is stopped as soon
    // as that input shows `monitorInputSwitchStatus`. Only a wait with a
    // time-out (>= 0) ends on StopProgram, with error 5; false on time-out.
    bool WaitForStop(int16_t motorIndex = 0, int16_t monitorMotorIndex = -1, const std::string& monitorInputSwitch = "",
                     int16_t monitorInputSwitchStatus = 1, bool decelerate = true, int32_t timeOutSeconds = -1);
    // One motor, or everything for 0 (coordinated motion included).
    void StopMotion(int16_t motorIndex = 0, bool decelerate = true);
    // The moves return once started; WaitForStop waits for their end.
    void DoRelativeMove(int16_t motorIndex, double relativeMoveDistance, double speed, double acceleration);
    void DoPositionMove(int16_t motorIndex, double absolutePosition, double speed, double acceleration);
    void DoVelocityMove(int16_t motorIndex, int16_t direction, double speed, double acceleration);
    // A straight move of all axes from where they stand to `toPoint`. In the
    // user system a free point is placed through the current transformation,
    // as ApplyTransformationToPath places a path's points.
    void DoLine(const std::shared_ptr<Point>& toPoint, double speed, double acceleration);
    // Draws `path`, first moving in a straight line to its start, and raises
    // pathEvent with its name once it has been drawn.
    void DoPath(const std::shared_ptr<vek::Path>& path, double speed, double acceleration, double cornerRadius = 0.0);
    std::shared_ptr<vek::Path> AppendPaths(const std::shared_ptr<vek::Path>& first,
                                           const std::shared_ptr<vek::Path>& second = nullptr);
    std::shared_ptr<Point> BeginningPathPoint(const std::shared_ptr<vek::Path>& path);
    // Axes 1..3 where they stand, in the configured unit, named
    // "CURRENT_POINT".
    std::shared_ptr<Point> CurrentPoint();
    // Homes one axis or all (0); speed and acceleration -1 mean the jog
    // defaults.
    void Calibrate(int16_t motorIndex = 0, int16_t direction = -1, bool force = false, double speed = -1.0,
                   double acceleration = -1.0);
    // World system, no path chains, no cached trajectories, motors reset and
    // stopped, their programs ended.
    void Reset();
    void SetServoOff(int16_t motorIndex, bool autoBrake = true);
    bool RunDiagnostics();

    // ---- switches: motorIndex 0 is the external I/O device ----
    // Waits for input `inputSwitch` to show `status`; false after a time-out
    // of at least 1 s, error 5 on StopProgram when there is none.
    bool WaitForSwitch(int16_t motorIndex, const std::string& inputSwitch, int16_t status, int32_t timeOutSeconds = -1);
    void SetSwitch(int16_t motorIndex, const std::string& outputSwitch, int16_t status);
    int16_t CheckSwitch(int16_t motorIndex, const std::string& switchName, bool isInputSwitch = true);

    // ---- stored values, kept across restarts with isPersistence ----
    void SaveValue(const std::string& key, const std::string& value, bool isPersistence = false);
    // Empty when nothing is stored under `key`.
    std::string GetValue(const std::string& key);
    void RemoveValue(const std::string& key);

    // ---- stopwatches on the event loop's clock ----
    void StartTimer(const std::string& timerKey);
    // Seconds since StartTimer (0 for an unknown key); restarts it when asked.
    double ElapsedTimer(const std::string& timerKey, bool resetTimer = false);

    // ---- transformations of the user system (distances in the configured
    // unit; the plain forms reset to the world system) ----
    void ShiftAxis(double xShift = 0.0, double yShift = 0.0, double zShift = 0.0, bool isChained = false);
    // `angle` in degrees around axis 1, 2 or 3.
    void RotateAxis(double angle = 0.0, int16_t aroundAxis = 1, bool isChained = false);
    void RotateAxisAroundPoint(const std::shared_ptr<Point>& aroundPoint = nullptr, double angle = 0.0,
                               int16_t aroundAxis = 1, bool isChained = false);
    void ScaleAxis(double xScale = 1.0, double yScale = 1.0, double zScale = 1.0, bool isChained = false);
    void ReversePath(bool xReverse = true, bool yReverse = true, bool zReverse = true);
    void ReflectAxis(bool xReflection = false, bool yReflection = false, bool zReflection = false,
                     bool isChained = false);
    // Every dataset of the database.
    void ApplyTransformation();
    void ApplyTransformationToDataset(const std::shared_ptr<DataSet>& tmpDataset);
    void ApplyTransformationToPath(const std::shared_ptr<vek::Path>& tmpPath);
    void ApplyTransformationToPoint(const std::shared_ptr<Point>& tmpPoint);
    // "WORLD" or "USER" in any case.
    bool CurrentCoordinateSystem(const std::string& systemName);

    // ---- path extents of axis 1..3 in the configured unit (0 for others) ----
    double MinOfPath(const std::shared_ptr<vek::Path>& path, int16_t axis);
    double MaxOfPath(const std::shared_ptr<vek::Path>& path, int16_t axis);

    // ---- program requests, carried out by the host ----
    void StartProgram(const std::string& programName);
    void StopProgram(const std::string& programName = "");
    // The outcome of the attempt is logged, not reported.
    void SendMail(const std::string& smtpServer, const std::string& recipient, const std::string& message);

    // (command, args): "QDX_PROGRAM_START", "QDX_PROGRAM_STOP" or
    // "QDX_PROGRAM_PAUSE" with the program's path.
    Event<std::string, std::string> advancedCommandsEvent;
    Event<std::string> pathEvent;

    // ---- library-internal ----
    void raisePathEvent(const std::string& pathName);
    // Asks the host to pause (or resume) a program.
    void pauseProgram(const std::string& programName, bool pausing);
    // Compiles, downloads and starts a program text on motor `motorIndex`.
    void runMotorProgramText(int16_t motorIndex, const std::string& programText);
    // World values of `node` into the current system's values.
    void transformNode(const std::shared_ptr<Node>& node);
    // The program-stop flag: set by StopProgram without a name, cleared by
    // StartProgram and by the wait it ends.
    bool programStopRequested() const { return programStop_; }
    // The host's stop button (Ctrl-C in vekctl and in Python programs): asks
    // the running command to end, as StopProgram does, and stops every motor.
    // Once the interrupted command has returned, endInterrupt clears what
    // the stop left raised, so that the next command runs as usual.
    void interrupt();
    void endInterrupt();
    // <install>/programs/<programName>
    static std::string programPath(const std::string& programName);

private:
    enum class Quantity { position, velocity, acceleration };
    struct Slide {
        double pitch;
        int16_t motorType;
    };
    // A switch resolved to its device and number.
    struct Switch {
        std::shared_ptr<IMotor> motor;
        std::shared_ptr<IIOData> io;
        int16_t number;
        // " on <motor name>" or " on external IO"
        std::string where;
    };

    template <typename Checks>
    void validate(Checks&& checks) const;
    const Error& validator() const;
    Coordinates& coordinates() const;
    Measurement& measurement() const;
    LinearSlides& slides() const;
    Configuration& configuration() const;
    DataSets& dataSets() const;
    // Motor `motorIndex` of the façade, all motors for 0.
    std::shared_ptr<IMotor> motor(int16_t motorIndex) const;
    Slide slideOf(int16_t axis) const;
    // `value` of `what` in the configured unit, for axis `axis` in motor
    // units, or for coordinated motion (axis 0) in path units.
    double toMachine(Quantity quantity, int16_t axis, double value, const char* what) const;
    int32_t toMotor(Quantity quantity, int16_t axis, double value, const char* what) const;
    double positionToUser(int16_t axis, double counts) const;
    Switch resolveSwitch(int16_t motorIndex, const std::string& name, bool isInput) const;
    static int16_t readSwitch(const Switch& sw, bool isInput);
    void move(const char* command, int16_t motorIndex, double target, int16_t direction, double speed,
              double acceleration);
    void useUserSystem();
    double extentOf(const std::shared_ptr<vek::Path>& path, int16_t axis, bool minimum);
    // Raises error 5 "Exiting <command> command." when the program-stop flag
    // is set, clearing it.
    void endOnProgramStop(const char* command);
    static void say(const std::string& text);

    Sources sources_;
    Collection<std::string> values_;
    Collection<double> timers_;
    std::shared_ptr<vek::MotorStatus> motorStatus_;
    bool programStop_ = false;
};

}  // namespace vek
