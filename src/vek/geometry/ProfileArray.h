#pragma once
#include <cstdint>
#include <vector>

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"

namespace vek {

// The two-dimensional answer of the path engine's speed profiles: the second
// dimension runs over the time steps (1..steps()), the first over the rows of
// one step (1..rows()): distance or axis rows first, the step's time last.
// The rows of one step sit next to each other, so walking the steps reads
// memory in order.
class ProfileArray {
public:
    ProfileArray() = default;
    ProfileArray(int rows, int32_t steps)
        : rows_(rows), steps_(steps), values_(static_cast<std::size_t>(rows) * static_cast<std::size_t>(steps), 0.0) {}

    int rows() const { return rows_; }
    int32_t steps() const { return steps_; }
    // Row `row` (1..rows) of step `step` (1..steps); outside raises 9.
    double& at(int row, int32_t step) { return values_[offset(row, step)]; }
    double at(int row, int32_t step) const { return values_[offset(row, step)]; }
    // The time of step `step` (the last row).
    double time(int32_t step) const { return at(rows_, step); }

private:
    std::size_t offset(int row, int32_t step) const {
        if (row < 1 || row > rows_ || step < 1 || step > steps_)
            throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
        return static_cast<std::size_t>(step - 1) * static_cast<std::size_t>(rows_) + static_cast<std::size_t>(row - 1);
    }

    int rows_ = 0;
    int32_t steps_ = 0;
    std::vector<double> values_;
};

}  // namespace vek
