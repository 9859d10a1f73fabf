// Rates outside the termios table (7200, 14400) are set through termios2's
// BOTHER, with the rate itself in c_ispeed and c_ospeed. Kept apart from
// SerialPort.cpp: the kernel's termbits clash with glibc's termios.h.
#include "platform/SerialRate.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

namespace portlib::platform {

unsigned SerialOtherRateMarker() { return BOTHER; }

int SerialSetOtherRate(int fd, int baud) {
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0) return -1;
    t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = static_cast<speed_t>(baud);
    t.c_ospeed = static_cast<speed_t>(baud);
    if (::ioctl(fd, TCSETS2, &t) != 0) return -1;
    // A driver may round or refuse the rate quietly: what it kept decides.
    struct termios2 back {};
    if (::ioctl(fd, TCGETS2, &back) != 0) return -1;
    return back.c_ospeed == static_cast<speed_t>(baud) ? 0 : -1;
}

int SerialLineRate(int fd) {
    struct termios2 t {};
    if (::ioctl(fd, TCGETS2, &t) != 0) return -1;
    return static_cast<int>(t.c_ospeed);
}

}  // namespace portlib::platform
