#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "vek/foundation/Collection.h"

namespace vek {

class SlideData;

// The stored record of one axis (a Motor row).
class MotorData {
public:
    int16_t key() const { return key_; }
    void setKey(int16_t v) { key_ = v; }
    int16_t dbKey() const { return dbKey_; }
    void setDbKey(int16_t v) { dbKey_ = v; }
    const std::string& name() const { return name_; }
    void setName(const std::string& v) { name_ = v; }
    // The slide the axis is built from; null when none.
    std::shared_ptr<vek::SlideData> SlideData() const { return slideData_; }
    void setSlideData(std::shared_ptr<vek::SlideData> v) { slideData_ = std::move(v); }
    double acceleration() const { return acceleration_; }
    void setAcceleration(double v) { acceleration_ = v; }
    Collection<std::string>& inputLabels() { return inputLabels_; }
    const Collection<std::string>& inputLabels() const { return inputLabels_; }
    Collection<std::string>& outputLabels() { return outputLabels_; }
    const Collection<std::string>& outputLabels() const { return outputLabels_; }
    // 1-based position of the label (exact match); INVALID_ARGUMENTS when none.
    int16_t getOutputLabelIndex(const std::string& label) const;
    int16_t getInputLabelIndex(const std::string& label) const;
    // `which` is a gain, KP 1 .. KG 8; outside 0..8 raises 9.
    int32_t tuningValue(int16_t which) const;
    void setTuningValue(int16_t which, int32_t v);
    std::array<int32_t, 9> allTuningValues() const { return tuningValues_; }
    double effectiveStroke() const { return effectiveStroke_; }
    void setEffectiveStroke(double v) { effectiveStroke_ = v; }
    double negativeHomingOffset() const { return negativeHomingOffset_; }
    void setNegativeHomingOffset(double v) { negativeHomingOffset_ = v; }
    double positiveHomingOffset() const { return positiveHomingOffset_; }
    void setPositiveHomingOffset(double v) { positiveHomingOffset_ = v; }

private:
    int16_t key_ = 0;
    int16_t dbKey_ = 0;
    std::string name_;
    std::shared_ptr<vek::SlideData> slideData_;
    double acceleration_ = 0;
    Collection<std::string> inputLabels_;
    Collection<std::string> outputLabels_;
    std::array<int32_t, 9> tuningValues_{};
    double effectiveStroke_ = 0;
    double negativeHomingOffset_ = 0;
    double positiveHomingOffset_ = 0;
};

}  // namespace vek
