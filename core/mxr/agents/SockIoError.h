// What the socket agent does with the errno of a failed send, recv or
// accept on a connection: one table for every caller.
#pragma once

enum class SockIoAction {
    Later,   // no data or no room now, or interrupted: end this turn's work, the poll wakes us again
    HangUp,  // the connection is gone: tear it down
};

SockIoAction SockIoActionOf(int err);
