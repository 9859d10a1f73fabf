// Reads and writes of a serial line (or any stream device) in the shape of
// getmsg/putmsg (MsgIo.h). The line is a byte stream: a read takes what is
// there, a write must take every byte.
#pragma once

#include "MsgIo.h"

namespace hv {

// How long putmsgEx waits for a line that takes no byte before it gives up.
inline constexpr int kSerialWriteStallMs = 5000;

// Reads what the line holds, up to data->maxlen bytes, without waiting.
// Returns MOREDATA (2) with data->len > 0 when bytes were read; 0 with
// data->len 0 at the end of the input; -1 with errno set on failure (EAGAIN:
// nothing to read now). overlapped is not used (NT's I/O record; reads here
// are plain non-blocking reads) and may be null.
int getmsgEx(int fd, strbuf* ctl, strbuf* data, int* flags, void* overlapped);

// Writes all data->len bytes, waiting for the line as needed. Returns 0 once
// every byte has been taken, -1 with errno set otherwise: ETIMEDOUT when the
// line took nothing for kSerialWriteStallMs, EIO when it hung up. overlapped
// is not used and may be null.
int putmsgEx(int fd, const strbuf* ctl, const strbuf* data, int flags, void* overlapped);

}  // namespace hv
