#include "SerialMsgIo.h"

#include "FuncInfo.h"
#include "platform/DeviceWrite.h"

#include <cerrno>
#include <cstddef>
#include <unistd.h>

namespace hv {

int getmsgEx(int fd, strbuf* ctl, strbuf* data, int* flags, void* overlapped) {
    MXR_FRAME("hv", "getmsgEx", 5, "SerialMsgIo.c");
    static_cast<void>(ctl);
    static_cast<void>(flags);
    static_cast<void>(overlapped);
    if (data == nullptr || data->maxlen < 0 || (data->buf == nullptr && data->maxlen > 0)) {
        errno = EINVAL;
        return -1;
    }
    data->len = 0;
    if (data->maxlen == 0) return 0;
    ssize_t n;
    do {
        n = ::read(fd, data->buf, static_cast<std::size_t>(data->maxlen));
    } while (n < 0 && errno == EINTR);
    if (n < 0) return -1;
    data->len = static_cast<int>(n);
    return n > 0 ? MOREDATA : 0;
}

int putmsgEx(int fd, const strbuf* ctl, const strbuf* data, int flags, void* overlapped) {
    MXR_FRAME("hv", "putmsgEx", 5, "SerialMsgIo.c");
    static_cast<void>(ctl);
    static_cast<void>(flags);
    static_cast<void>(overlapped);
    if (data == nullptr || data->len < 0 || (data->buf == nullptr && data->len > 0)) {
        errno = EINVAL;
        return -1;
    }
    return portlib::platform::DeviceWriteAll(fd, data->buf, static_cast<std::size_t>(data->len),
                                             kSerialWriteStallMs, nullptr);
}

}  // namespace hv
