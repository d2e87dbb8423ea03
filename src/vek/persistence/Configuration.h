#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "vek/foundation/Collection.h"
#include "vek/foundation/Event.h"
#include "vek/persistence/DbSavepoint.h"
#include "vek/persistence/MotorData.h"
#include "vek/persistence/SimulationData.h"
#include "vek/persistence/SlideData.h"

namespace vek {

class Database;

using SlideDataCollection = Collection<std::shared_ptr<SlideData>>;
using MotorDataCollection = Collection<std::shared_ptr<MotorData>>;
using SimulationDataCollection = Collection<std::shared_ptr<SimulationData>>;
using TextCollection = Collection<std::string>;

// The in-memory image of the stored settings: Config values, slide models,
// the axis records and the simulated inputs. Reads come from memory; writes
// go to memory and to the file at once. The collections are handed out as
// shared objects; reload() replaces them, so holders keep the old ones.
class Configuration {
public:
    // Loads from `database`; without one every store operation fails with
    // DATABASE_ERROR.
    explicit Configuration(std::shared_ptr<Database> database);
    ~Configuration();
    Configuration(const Configuration&) = delete;
    Configuration& operator=(const Configuration&) = delete;

    void reload();
    void storeConfigValue(const std::string& name, const std::string& value);
    std::string getConfigValue(const std::string& key, const std::string& defaultValue = {}) const;
    void removeConfigValue(const std::string& key);
    double MOTOR_X_PITCH() const;
    int16_t MOTOR_X_TYPE() const;
    // Writes the eight axis records, tells the axis-renamed listener of
    // every axis with a stored name (the façade renames its live motor), and
    // raises configChanged("config") when asked to.
    void saveData(bool alsoRaisEvent = true);
    void setAxisRenamed(std::function<void(int16_t axis, const std::string& name)> renamed) {
        axisRenamed_ = std::move(renamed);
    }
    void raiseConfigChangedEvent(const std::string& source);
    std::shared_ptr<SlideDataCollection> slidesData() const { return slidesData_; }
    std::shared_ptr<TextCollection> distinctSlidesData() const { return distinctSlidesData_; }
    std::shared_ptr<MotorDataCollection> motorsData() const { return motorsData_; }
    std::shared_ptr<SimulationDataCollection> simulationDataCollection() const { return simulationData_; }
    // The record keyed by `motorKey`, or null.
    std::shared_ptr<SimulationData> getSimulationData(int16_t motorKey) const;
    std::shared_ptr<TextCollection> availablePorts() const { return availablePorts_; }
    std::string portName() const;
    void setPortName(const std::string& v);
    // "unit" and "cycleCount" must be stored: missing or non-numeric text raises 13.
    int16_t unit() const;
    void setUnit(int16_t v);
    int32_t cycleCount() const;
    void setCycleCount(int32_t v);
    double gridIncrement() const;

    Event<std::string> configChanged;

    // Library-internal.
    void loadSlides();
    void loadMotors();
    void loadConfigValues();
    void loadSimulationData();
    void persistMotorData(const MotorData& motor);
    bool containsConfigKey(const std::string& key) const;
    void addDistinctModel(const std::string& model);

private:
    Database& database() const;
    // A read transaction for the loads (none when the file is not open).
    std::optional<DbSavepoint> readSnapshot() const;

    std::shared_ptr<Database> database_;
    std::shared_ptr<SlideDataCollection> slidesData_ = std::make_shared<SlideDataCollection>();
    std::shared_ptr<TextCollection> distinctSlidesData_ = std::make_shared<TextCollection>();
    std::shared_ptr<MotorDataCollection> motorsData_ = std::make_shared<MotorDataCollection>();
    std::shared_ptr<TextCollection> configValues_ = std::make_shared<TextCollection>();
    std::shared_ptr<SimulationDataCollection> simulationData_ = std::make_shared<SimulationDataCollection>();
    std::shared_ptr<TextCollection> availablePorts_ = std::make_shared<TextCollection>();
    std::function<void(int16_t, const std::string&)> axisRenamed_;
};

}  // namespace vek
