#pragma once
#include <cstdint>

namespace vek {

// Positions 0..15 in a motor's status word; 101..103 are further motor states
// that exist only as reset selectors of Motor::Reset.
namespace MotorStatusWordBits {
enum Value : int32_t {
    Bt = 0,
    Br = 1,
    Bl = 2,
    Bi = 3,
    Bw = 4,
    Be = 5,
    Bh = 6,
    Bo = 7,
    Bx = 8,
    Bp = 9,
    Bm = 10,
    Bd = 11,
    Bu = 12,
    Bs = 13,
    Ba = 14,
    Bk = 15,
    Bb = 101,
    Bc = 102,
    BF = 103,
};
}  // namespace MotorStatusWordBits

}  // namespace vek
