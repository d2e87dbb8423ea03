#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "vek/geometry/Machine.h"

namespace vek {

// A machine-side position: one value per axis in motor units (encoder
// counts) for up to eight axes, in three value sets (world, user, tmp), plus
// the attributes a stored path keeps for each of its corners.
//
// Millions of these make up trajectories and stored datasets, so the layout
// is lean: the world values and the running length sit inline; corner
// angles and name live in a block allocated on their first non-default
// write, and the user and tmp values in a further block behind that. A
// trajectory point in the world system costs one 72-byte object, a stored
// corner with a name one more of 56 bytes.
//
// The per-system members follow the active machine's coordinate system (the
// process-wide Coordinates.system) at each access: 0 selects the world slot,
// 1 (user, and tmp, which shares its value) the user slot; any other system
// stores nothing and reads 0.
class Node {
public:
    Node() = default;
    Node(const Node& other);
    Node& operator=(const Node& other);
    Node(Node&&) noexcept = default;
    Node& operator=(Node&&) noexcept = default;
    ~Node() = default;

    int32_t key() const { return key_; }
    void setKey(int32_t value) { key_ = value; }
    int16_t orderNumber() const { return orderNumber_; }
    void setOrderNumber(int16_t value) { orderNumber_ = value; }
    const std::string& name() const;
    void setName(const std::string& value);
    int16_t speed() const { return speed_; }
    void setSpeed(int16_t value) { speed_ = value; }
    int16_t acceleration() const { return acceleration_; }
    void setAcceleration(int16_t value) { acceleration_ = value; }
    int16_t mode() const { return mode_; }
    void setMode(int16_t value) { mode_ = value; }

    // World value of axis `index` (1..8; anything else raises 9).
    int32_t axis(int16_t index) const;
    void setAxis(int16_t index, int32_t value);

    // name + " world(v1,...,v8),user(...),tmp(...)"
    std::string toString() const;
    // A new node with the world values and the values of the slot (the
    // current system's unless one is given); unless onlyAxisValue, also that
    // slot's corner angle, length and the name. Key, order, speed,
    // acceleration and mode keep their defaults.
    std::shared_ptr<Node> clone(bool onlyAxisValue = false, int slot = currentSlot()) const;
    // All eight world values equal; nothing else is compared.
    bool equals(const Node& anotherNode) const;
    bool equals(const std::shared_ptr<Node>& anotherNode) const { return anotherNode && equals(*anotherNode); }

    // --- library-internal: values of the current coordinate system ---
    int32_t systemAxis(int16_t index) const;
    void setSystemAxis(int16_t index, int32_t value);
    int32_t tmpAxis(int16_t index) const;
    void setTmpAxis(int16_t index, int32_t value);
    double lengthFromStart() const { return lengthFromStart(currentSlot()); }
    void setLengthFromStart(double value) { setLengthFromStart(currentSlot(), value); }
    double cornerAngle() const { return cornerAngle(currentSlot()); }
    void setCornerAngle(double value) { setCornerAngle(currentSlot(), value); }

    // --- library-internal fast paths for loops that resolve the slot once ---
    // Slot of the active coordinate system: 0 world, 1 user, -1 none.
    static int currentSlot() { return activeMachine().slot(); }
    static int slotOf(int system) { return Machine::slotOf(system); }
    // `index` 1..8, unchecked; slot -1 reads 0 and stores nothing.
    int32_t slotAxis(int slot, int index) const;
    void setSlotAxis(int slot, int index, int32_t value);
    double lengthFromStart(int slot) const { return slot >= 0 ? length_[static_cast<std::size_t>(slot)] : 0.0; }
    void setLengthFromStart(int slot, double value) {
        if (slot >= 0) length_[static_cast<std::size_t>(slot)] = value;
    }
    double cornerAngle(int slot) const;
    void setCornerAngle(int slot, double value);

private:
    struct Sets {
        std::array<int32_t, 8> user{};
        std::array<int32_t, 8> tmp{};
    };
    struct Extra {
        std::array<double, 2> cornerAngle{};
        std::string name;
        std::unique_ptr<Sets> sets;
    };
    Extra& extra();
    Sets& sets();
    static std::size_t checkedIndex(int16_t index);

    std::array<int32_t, 8> world_{};
    std::array<double, 2> length_{};
    std::unique_ptr<Extra> extra_;
    int32_t key_ = 0;
    int16_t orderNumber_ = -1;
    int16_t speed_ = 10;
    int16_t acceleration_ = 10;
    int16_t mode_ = 0;
};

}  // namespace vek
