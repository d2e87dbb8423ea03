#include "vek/persistence/MotorData.h"

#include "vek/foundation/ErrorCodes.h"
#include "vek/foundation/NumberedError.h"
#include "vek/persistence/SlideData.h"

namespace vek {

namespace {
int16_t labelIndex(const Collection<std::string>& labels, const std::string& label, const char* kind) {
    for (std::size_t i = 1; i <= labels.count(); ++i)
        if (labels.item(i) == label) return static_cast<int16_t>(i);
    raiseInvalidArgument(std::string(kind) + " IO " + label + " is not valid.");
}

std::size_t tuningIndex(int16_t which) {
    if (which < 0 || which > 8) throw NumberedError::platform(PlatformErrors::SUBSCRIPT_OUT_OF_RANGE);
    return static_cast<std::size_t>(which);
}
}  // namespace

int16_t MotorData::getOutputLabelIndex(const std::string& label) const {
    return labelIndex(outputLabels_, label, "Output");
}

int16_t MotorData::getInputLabelIndex(const std::string& label) const {
    return labelIndex(inputLabels_, label, "Input");
}

int32_t MotorData::tuningValue(int16_t which) const {
    return tuningValues_[tuningIndex(which)];
}

void MotorData::setTuningValue(int16_t which, int32_t v) {
    tuningValues_[tuningIndex(which)] = v;
}

}  // namespace vek
