// Line rates that the termios speed table has no constant for.
#pragma once

namespace portlib::platform {

// The value SerialSpeedOf gives for a rate set by number (termios2 BOTHER).
unsigned SerialOtherRateMarker();
// Sets both directions of the open line to baud by number. 0, or -1 when
// the driver refused or changed the rate.
int SerialSetOtherRate(int fd, int baud);
// The line's output rate in baud as the driver keeps it; -1 on failure.
int SerialLineRate(int fd);

}  // namespace portlib::platform
