// Small types shared by every part of the named-pipe layer.
//
// An NT named pipe becomes a Unix-domain SOCK_SEQPACKET socket below
// $HV_SYSTEM_DIR/run/pipe/. Every pipe is of message type (one write is one
// message); the read mode decides how a reader sees the messages.
#pragma once

namespace portlib::platform {

enum class PipeReadMode {
    Byte,     // reads take bytes across message boundaries
    Message,  // one read returns one message (or its next part, with "more data")
};

// Time-outs in milliseconds for connecting and accepting.
inline constexpr int kPipeNoWait = 0;
inline constexpr int kPipeWaitForever = -1;

}  // namespace portlib::platform
