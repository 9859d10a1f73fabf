#include "SockIoError.h"

#include <cerrno>

SockIoAction SockIoActionOf(int err) {
    switch (err) {
        case EAGAIN:
#if EWOULDBLOCK != EAGAIN
        case EWOULDBLOCK:
#endif
        case EINTR:
        case ENOBUFS:
        case ENOMEM:
            return SockIoAction::Later;
        // ECONNRESET, ECONNABORTED, EPIPE, ENOTCONN, ESHUTDOWN, ENOTSOCK,
        // EBADF, ETIMEDOUT, EHOSTUNREACH, ENETUNREACH and anything not
        // foreseen: a stream socket in an unknown error state is not
        // retried, since the poll would report it again on every turn.
        default:
            return SockIoAction::HangUp;
    }
}
