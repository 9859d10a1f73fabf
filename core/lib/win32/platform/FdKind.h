// What kind of object a descriptor stands for, as the poll layer needs to know
// it: each kind reports hang-ups and errors its own way under poll(2).
#pragma once

namespace portlib::platform {

enum class FdKind {
    Invalid,    // not an open descriptor
    Pipe,       // a Unix-domain socket (a named pipe of this system) or a FIFO
    NetSocket,  // a socket of any other family: TCP, UDP
    Device,     // a character device: serial port, pty, terminal
    File,       // a regular file, directory or block device: never polled
    Other,      // eventfd, timerfd, signalfd and the like: poll(2) as it is
};

// Looked up anew at each call (a descriptor number may be reused): fstat, and
// getsockopt for a socket.
FdKind GetFdKind(int fd);

// How many look-ups of an open descriptor's kind this process has made (each
// costs system calls): the poll layer's callers learn a kind once.
unsigned long GetFdKindLookupCount();

}  // namespace portlib::platform
