#pragma once
#include <cstdint>

namespace vek {

// 9600 is the rate the chain returns to after coordinated motion and when the
// connection closes; 38400 is the default rate for coordinated motion.
namespace BaudRates {
enum Value : int32_t {
    BAUD_9600 = 9600,
    BAUD_38400 = 38400,
};
}  // namespace BaudRates

}  // namespace vek
