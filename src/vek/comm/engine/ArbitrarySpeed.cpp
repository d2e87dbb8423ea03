// Only the kernel's termios header here: it clashes with <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdint>

namespace vek {

bool setArbitrarySpeed(int fd, int32_t baudRate) {
    if (baudRate <= 0) return false;
    termios2 t{};
    if (::ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD);
    t.c_cflag |= BOTHER;
    t.c_ispeed = static_cast<speed_t>(baudRate);
    t.c_ospeed = static_cast<speed_t>(baudRate);
    t.c_cflag &= ~static_cast<tcflag_t>(CIBAUD);
    t.c_cflag |= BOTHER << IBSHIFT;
    return ::ioctl(fd, TCSETS2, &t) == 0;
}

}  // namespace vek
