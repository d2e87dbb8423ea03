#pragma once
#include <cstdint>
#include <string>

namespace vek {

// One slide model of the Slide table.
class SlideData {
public:
    int16_t key() const { return key_; }
    void setKey(int16_t v) { key_ = v; }
    const std::string& model() const { return model_; }
    void setModel(const std::string& v) { model_ = v; }
    double pitch() const { return pitch_; }
    void setPitch(double v) { pitch_ = v; }
    // The pitch with one decimal, followed for the JP models by the lead
    // name the catalogue uses ("10.0 (L)", "19.1 (M .75\")").
    std::string getPitchDisplay() const;
    double stroke() const { return stroke_; }
    void setStroke(double v) { stroke_ = v; }
    double maxSpeed() const { return maxSpeed_; }
    void setMaxSpeed(double v) { maxSpeed_ = v; }
    double maxAcceleration() const { return maxAcceleration_; }
    void setMaxAcceleration(double v) { maxAcceleration_ = v; }
    int16_t motorType() const { return motorType_; }
    void setMotorType(int16_t v) { motorType_ = v; }

private:
    int16_t key_ = 0;
    std::string model_;
    double pitch_ = 0;
    double stroke_ = 0;
    double maxSpeed_ = 0;
    double maxAcceleration_ = 0;
    int16_t motorType_ = 0;
};

}  // namespace vek
