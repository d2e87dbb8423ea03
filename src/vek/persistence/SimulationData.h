#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace vek {

class Database;

// The simulated states of the twelve digital inputs of one axis (a
// Simulation row).
class SimulationData {
public:
    // Saves to `database`, or to the process's shared one when none is given.
    explicit SimulationData(std::shared_ptr<Database> database = {});

    int16_t key() const { return key_; }
    void setKey(int16_t v) { key_ = v; }
    // Input `index` (1..12) without surrounding spaces; outside 0..12 raises 9.
    std::string simulatedInputs(int16_t index) const;
    // Outside 0..12 raises DATABASE_ERROR.
    void setSimulatedInputs(int16_t index, const std::string& value);
    // Writes the row (update, or insert when the axis has none); failures are logged.
    void save();

private:
    std::shared_ptr<Database> database_;
    int16_t key_ = 0;
    std::array<std::string, 13> inputs_;
};

}  // namespace vek
