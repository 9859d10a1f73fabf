// Message reads and writes on pipe descriptors, the Unix getmsg/putmsg shape
// over the named-pipe layer (platform/NamedPipeIo.h): one call moves one
// message, or the next part of one that did not fit.
#pragma once

namespace hv {

// A message buffer: capacity, bytes held, the bytes.
struct strbuf {
    int maxlen;
    int len;
    char* buf;
};

// getmsg's result when the message goes on beyond data->maxlen.
inline constexpr int MOREDATA = 2;

// Reads one message (or its next part) from a pipe descriptor into data
// (ctl and flags are not used and may be null). Returns 0 with data->len set;
// MOREDATA with data->len = data->maxlen when the message goes on (the rest
// comes with the next calls); -1 on failure with data->len 0, errno and
// GetLastMsgError set:
//   EAGAIN / 232  non-blocking and nothing to read now (not a hang-up)
//   EPIPE  / 109  the peer is gone and everything it sent has been read
//   other errno values with the layer's numbers (6, 13, 87, 230, 233)
int getmsg(int fd, strbuf* ctl, strbuf* data, int* flags);

// Writes data->len bytes of data->buf as one message (ctl and flags are not
// used). Returns 0, or -1 with errno and GetLastMsgError set:
//   EAGAIN / 10035  non-blocking and no room now: nothing was written, the
//                   pipe is up; keep the message and write it when writable
//   EPIPE  / 109    the peer is gone
//   EINVAL / 87     no data, len 0, or larger than the pipe can carry
int putmsg(int fd, const strbuf* ctl, const strbuf* data, int flags);

// The Win32 number of this thread's last failed getmsg/putmsg (0 after a
// success).
int GetLastMsgError();

}  // namespace hv
