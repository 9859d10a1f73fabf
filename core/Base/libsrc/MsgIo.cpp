#include "MsgIo.h"

#include "FuncInfo.h"
#include "platform/NamedPipeIo.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <cstddef>

using namespace portlib::platform;

namespace hv {

namespace {

constinit thread_local int lastMsgError __attribute__((tls_model("initial-exec"))) = 0;

int ErrnoOf(int win32) {
    switch (win32) {
    case HV_ERROR_NO_DATA:
    case HV_WSAEWOULDBLOCK:
        return EAGAIN;
    case HV_ERROR_BROKEN_PIPE:
        return EPIPE;
    case HV_ERROR_PIPE_NOT_CONNECTED:
        return ENOTCONN;
    case HV_ERROR_INVALID_HANDLE:
        return EBADF;
    case HV_ERROR_BAD_PIPE:
        return ENOTSOCK;
    case HV_ERROR_INVALID_PARAMETER:
        return EINVAL;
    case HV_ERROR_INVALID_DATA:
        return EMSGSIZE;
    default:
        return EIO;
    }
}

int Fail(int win32) {
    lastMsgError = win32;
    errno = ErrnoOf(win32);
    return -1;
}

}  // namespace

int getmsg(int fd, strbuf* ctl, strbuf* data, int* flags) {
    MXR_FRAME("hv", "getmsg", 4, "MsgIo.c");
    static_cast<void>(ctl);
    static_cast<void>(flags);
    if (data == nullptr || data->maxlen < 0 || (data->buf == nullptr && data->maxlen > 0))
        return Fail(HV_ERROR_INVALID_PARAMETER);
    data->len = 0;
    std::size_t got = 0;
    const int rc = PipeRead(fd, data->buf, static_cast<std::size_t>(data->maxlen), &got);
    if (rc != 0 && rc != HV_ERROR_MORE_DATA) return Fail(rc);
    lastMsgError = 0;
    data->len = static_cast<int>(got);
    return rc == HV_ERROR_MORE_DATA ? MOREDATA : 0;
}

int putmsg(int fd, const strbuf* ctl, const strbuf* data, int flags) {
    MXR_FRAME("hv", "putmsg", 4, "MsgIo.c");
    static_cast<void>(ctl);
    static_cast<void>(flags);
    if (data == nullptr || data->len <= 0 || data->buf == nullptr) return Fail(HV_ERROR_INVALID_PARAMETER);
    std::size_t written = 0;
    const int rc = PipeWrite(fd, data->buf, static_cast<std::size_t>(data->len), &written);
    if (rc != 0) return Fail(rc);
    lastMsgError = 0;
    return 0;
}

int GetLastMsgError() {
    MXR_FRAME("hv", "GetLastMsgError", 0, "MsgIo.c");
    return lastMsgError;
}

}  // namespace hv
