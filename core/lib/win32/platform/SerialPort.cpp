#include "platform/SerialPort.h"

#include "platform/SerialRate.h"
#include "platform/Win32Error.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace portlib::platform {

namespace {

struct SpeedRow {
    int baud;
    speed_t speed;
};

// The rates a line may be given; any other is refused. 7200 and 14400 have
// no constant: they are set by number.
constexpr speed_t kByNumber = 0;
constexpr SpeedRow kSpeeds[] = {
    {110, B110},       {300, B300},         {600, B600},       {1200, B1200},     {1800, B1800},
    {2400, B2400},     {4800, B4800},       {7200, kByNumber}, {9600, B9600},     {14400, kByNumber},
    {19200, B19200},   {38400, B38400},     {57600, B57600},   {115200, B115200}, {230400, B230400},
    {460800, B460800}, {921600, B921600},
};

int OpenError(int err) {
    switch (err) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
    case ENOTDIR:
        return HV_ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EBUSY:
    case EWOULDBLOCK:
        return HV_ERROR_ACCESS_DENIED;
    default:
        return HV_ERROR_GEN_FAILURE;
    }
}

int Fail(int fd, int code) {
    ::close(fd);
    return code;
}

}  // namespace

unsigned SerialSpeedOf(int baud) {
    for (const SpeedRow& row : kSpeeds)
        if (row.baud == baud) return row.speed == kByNumber ? SerialOtherRateMarker() : static_cast<unsigned>(row.speed);
    return 0;
}

int SerialOpen(const char* path, int baud, int* fd) {
    if (fd == nullptr) return HV_ERROR_INVALID_PARAMETER;
    *fd = -1;
    if (path == nullptr || *path == '\0') return HV_ERROR_INVALID_PARAMETER;
    const int d = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (d < 0) return OpenError(errno);
    if (!::isatty(d)) return Fail(d, HV_ERROR_INVALID_PARAMETER);
    // One owner: a second agent (or anything that locks the same way) is refused.
    if (::flock(d, LOCK_EX | LOCK_NB) != 0) return Fail(d, HV_ERROR_ACCESS_DENIED);
    if (::ioctl(d, TIOCEXCL) != 0) return Fail(d, HV_ERROR_GEN_FAILURE);
    const unsigned speed = SerialSpeedOf(baud);
    if (speed == 0) return Fail(d, HV_ERROR_INVALID_PARAMETER);
    termios tio{};
    if (::tcgetattr(d, &tio) != 0) return Fail(d, HV_ERROR_GEN_FAILURE);
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    const bool byNumber = speed == SerialOtherRateMarker();
    if (!byNumber && (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0))
        return Fail(d, HV_ERROR_GEN_FAILURE);
    if (::tcsetattr(d, TCSANOW, &tio) != 0) return Fail(d, HV_ERROR_GEN_FAILURE);
    // A driver that refuses the rate fails the set-up.
    if (byNumber && SerialSetOtherRate(d, baud) != 0) return Fail(d, HV_ERROR_GEN_FAILURE);
    // Bytes already waiting are kept: the peer's first packet may have come
    // before this end opened (the framing finds the packets in them).
    *fd = d;
    return 0;
}

void SerialClose(int fd) {
    if (fd >= 0) ::close(fd);
}

}  // namespace portlib::platform
