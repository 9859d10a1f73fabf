// Opening a serial port (a pty slave stands for it): the line's settings, one
// owner at a time, the table of rates, and devices that cannot be lines.
#include <gtest/gtest.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "TTYTestSupport.h"
#include "platform/SerialPort.h"
#include "platform/SerialRate.h"
#include "platform/Win32Error.h"

using namespace portlib::platform;

TEST(SerialPort, OpensARawEightNOneLineAtTheRateAsked) {
    ttytest::PtyLine line;
    int fd = -1;
    ASSERT_EQ(SerialOpen(line.slavePath.c_str(), 9600, &fd), 0);
    termios tio{};
    ASSERT_EQ(::tcgetattr(fd, &tio), 0);
    EXPECT_EQ(::cfgetispeed(&tio), B9600);
    EXPECT_EQ(::cfgetospeed(&tio), B9600);
    EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(tio.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(tio.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(tio.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(tio.c_oflag & OPOST, 0u);
    EXPECT_EQ(tio.c_cc[VMIN], 0);
    EXPECT_EQ(tio.c_cc[VTIME], 0);
    // Every byte value crosses unchanged, and a read with nothing there returns at once.
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    ASSERT_EQ(::write(line.master, all.data(), all.size()), 256);
    std::string got;
    char buf[512];
    // Reads as the bytes come (at most 10 s for all of them).
    while (got.size() < all.size()) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, 10000) != 1) break;
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got, all);
    EXPECT_LT(::read(fd, buf, sizeof buf), 1);
    SerialClose(fd);
}

TEST(SerialPort, RatesWithoutATermiosConstantAreSetByNumber) {
    for (int baud : {1800, 7200, 14400, 9600}) {
        ttytest::PtyLine line;
        EXPECT_NE(SerialSpeedOf(baud), 0u) << baud;
        int fd = -1;
        ASSERT_EQ(SerialOpen(line.slavePath.c_str(), baud, &fd), 0) << baud;
        EXPECT_EQ(SerialLineRate(fd), baud);
        SerialClose(fd);
    }
}

TEST(SerialPort, OneOwnerAtATime) {
    ttytest::PtyLine line;
    int first = -1;
    ASSERT_EQ(SerialOpen(line.slavePath.c_str(), 115200, &first), 0);
    int second = -1;
    EXPECT_EQ(SerialOpen(line.slavePath.c_str(), 115200, &second), HV_ERROR_ACCESS_DENIED);
    EXPECT_EQ(second, -1);
    SerialClose(first);
    EXPECT_EQ(SerialOpen(line.slavePath.c_str(), 115200, &second), 0);
    SerialClose(second);
}

TEST(SerialPort, RefusesWhatCannotBeALine) {
    ttytest::PtyLine line;
    struct Case {
        std::string path;
        int baud;
        int rc;
    };
    char file[] = "/tmp/hv-notaline-XXXXXX";
    const int tmp = ::mkstemp(file);
    ASSERT_GE(tmp, 0);
    ::close(tmp);
    const Case cases[] = {
        {line.slavePath, 14401, HV_ERROR_INVALID_PARAMETER},  // no such rate here
        {line.slavePath, 0, HV_ERROR_INVALID_PARAMETER},
        {"/dev/hv-no-such-port", 9600, HV_ERROR_FILE_NOT_FOUND},
        {file, 9600, HV_ERROR_INVALID_PARAMETER},
        {"", 9600, HV_ERROR_INVALID_PARAMETER},
    };
    for (const Case& c : cases) {
        int fd = 7;
        EXPECT_EQ(SerialOpen(c.path.c_str(), c.baud, &fd), c.rc) << c.path << " " << c.baud;
        EXPECT_EQ(fd, -1);
    }
    ::unlink(file);
    // The port is free again after each refusal.
    int fd = -1;
    EXPECT_EQ(SerialOpen(line.slavePath.c_str(), 57600, &fd), 0);
    SerialClose(fd);
}
