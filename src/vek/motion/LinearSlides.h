#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "vek/foundation/Collection.h"
#include "vek/foundation/NotGiven.h"
#include "vek/geometry/Machine.h"
#include "vek/geometry/NodePath.h"
#include "vek/motors/MotorContext.h"

namespace vek {

class Configuration;
class ICommunication;
class IMotion;
class IMotor;
class Node;
class Point;
class Path;
class Diagnostics;

// The one object through which the host runs the machine: loads the
// database, opens the (serial or simulated) connection, creates one motor
// object per detected axis plus the all-motors object, draws lines and
// stored paths, and stops or pauses motion. One instance per process,
// created by start-up and handed out by Server.
//
// It is the composition root of the machine: it builds the channel, the
// motors and coordinated motion and hands each what it needs (the
// configuration, its axes, the shared motion flags), and it publishes the
// machine it loaded (pitch ratios, connected axes) as the active machine
// that nodes and paths measure against.
class LinearSlides {
public:
    LinearSlides();
    ~LinearSlides();
    LinearSlides(const LinearSlides&) = delete;
    LinearSlides& operator=(const LinearSlides&) = delete;

    // Ratios of the Y and Z pitches to the X pitch (X itself is always 1).
    void setPitchRatios(double xPitch, double yPitch, double zPitch);
    double getPitchRatio(int16_t motorIndex) const;
    // Closes any open connection, then opens the simulated chain (when
    // simulation is on) or the serial one. Every failure becomes error 101.
    void openConnection(int32_t baudRate, const std::string& portName);
    std::string getMotorDefaultName(int32_t Index) const;
    std::string getAxisDefaultName(int32_t Index) const;
    // Up to three rounds of the recovery routine; true once one succeeds.
    bool RunDiagnostics();
    void stopMotors(bool decelerate = false);
    void PauseMotion(bool tmpIsPaused = true);
    void setCoordinatedMotionBaudRate(int32_t value) { coordinatedMotionBaudRate_ = value; }
    int32_t getCoordinatedMotionBaudRate() const { return coordinatedMotionBaudRate_; }
    void setIsSimulation(bool value);
    bool getIsSimulation() const;
    void setIsSimulationMute(bool value);
    bool getIsSimulationMute() const { return flags_->isSimulationMute; }
    // The flags the host's handlers set and every motor and run polls.
    const std::shared_ptr<MotionFlags>& flags() const { return flags_; }
    bool isPaused() const { return flags_->isPaused; }
    // The machine as loaded and connected now: the axes' slide settings from
    // the configuration, the pitch ratios, the connected axes, the unit and
    // the coordinate system.
    Machine machine() const;
    // A new node "CURRENT_POINT" holding every axis's position.
    std::shared_ptr<Node> getCurrentPoint();
    // Draws a stored path, first moving in a straight line to its start when
    // any axis is more than 20 counts away.
    void drawPath(const std::shared_ptr<NodePath>& tmpNodePath, double maxSpeed = 5.0, double acceleration = 0.01,
                  bool slowToEnd = true, double cornerRadius = 0.0, double eventTriggerPercentage = 0.0);
    // Straight move of all axes; nothing happens when no axis is more than
    // 20 counts away. Without fromNode the move starts at the current point.
    void drawLine(const std::shared_ptr<Node>& toNode, const std::shared_ptr<Node>& fromNode = nullptr,
                  double maxSpeed = 5.0, double acceleration = 0.01, bool slowToEnd = true);
    const std::shared_ptr<ICommunication>& getCommunication() const { return comm_; }
    const std::shared_ptr<IMotion>& getMotion() const { return motion_; }
    const std::shared_ptr<NodePath>& getPath() const { return path_; }
    void removeAllCache();
    // Returns the chain to `newBaudRate` (when given) and closes the port;
    // failures are ignored.
    void closeConnection(int32_t newBaudRate = NOT_GIVEN);
    const std::shared_ptr<MotorCollection>& motors() const { return motors_; }
    const std::shared_ptr<IMotor>& AllMotors() const { return allMotors_; }
    // Number of connected motors of the Dravo family.
    int16_t getGZPresent();
    int32_t currentBaudRate();
    // Opens the database file (migrating an older one), loads the
    // configuration, the pitch ratios of X, Y and Z and the datasets.
    void databaseRelatedInit(const std::string& databaseFile);
    std::string preInitializeConfigGet(const std::string& db, const std::string& key);
    void preInitializeConfigSet(const std::string& db, const std::string& key, const std::string& value);
    std::shared_ptr<Point> getPointFromNode(const std::shared_ptr<Node>& tmpNode);
    std::shared_ptr<Path> getPathFromNodePath(const std::shared_ptr<NodePath>& tmpNodePath);

    // Library-internal: shut-down closes the connection and retires the
    // façade; a host that still holds it then gets error 91 from every
    // operation that would act on the machine.
    void retire();

private:
    // Logs and answers whether any connected axis of `a` and `b` differs by
    // more than 20 counts.
    bool differs(const Node& a, const Node& b) const;
    // Runs the working path, returning the chain to 9600 baud on failure.
    void runWorkingPath(const TimeArray& times, double eventTriggerPercentage);
    void openChannel(int32_t baudRate, const std::string& portName);
    void restoreBaudRate();
    void loadPitchRatios();
    // Makes machine() the active machine.
    void publishMachine();
    // A stored axis name reaches the live motor, which finds its type anew.
    void renameAxis(int16_t axis, const std::string& name);
    MotorContext motorContext(int32_t id) const;
    void requireLive() const;
    // The connected axes; error 3 "No connection is open." without any.
    void requireConnection() const;

    std::shared_ptr<MotorCollection> motors_ = std::make_shared<MotorCollection>();
    std::shared_ptr<IMotor> allMotors_;
    std::shared_ptr<ICommunication> comm_;
    std::shared_ptr<IMotion> motion_;
    std::shared_ptr<NodePath> path_;
    std::unique_ptr<Diagnostics> diagnostics_;
    std::shared_ptr<MotionFlags> flags_ = std::make_shared<MotionFlags>();
    bool isSimulation_ = false;
    bool retired_ = false;
    // Lets callbacks handed to longer-lived objects see that the façade is gone.
    std::shared_ptr<LinearSlides*> self_ = std::make_shared<LinearSlides*>(this);
    int32_t coordinatedMotionBaudRate_ = 38400;
    // Axes found by the last openConnection; decides the default names.
    int16_t connected_ = 0;
};

}  // namespace vek
