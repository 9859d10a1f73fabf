// The server side of "\\.\pipe\hvinitpipe": between two monitoring passes it
// serves every client that waits, one text request per connection (at most
// 1024 bytes, up to its NUL) and one 256-byte reply. A client's request must
// arrive within 5 s of its connection, or it gets "-3"; the clients of one
// round are read side by side, so silent clients cost a pass at most those
// 5 s together, and a round takes at most 64 clients before the pass runs.
#pragma once

#include "HvinitDispatcher.h"

#include "platform/NamedPipeListener.h"

namespace hvsvc {

class HvinitPipeServer {
public:
    static constexpr int kSilenceMs = 5000;
    static constexpr int kClientsPerRound = 64;

    // cancelFd (or -1): readable when the service stops; it ends a round.
    HvinitPipeServer(HvinitDispatcher& dispatcher, int cancelFd, int silenceMs = kSilenceMs)
        : dispatcher_(dispatcher), cancelFd_(cancelFd), silenceMs_(silenceMs) {}

    // Starts listening. 0, or the error (reported); the monitor goes on without a pipe.
    int Open();
    void Close() { listener_.Close(); }
    int Fd() const { return listener_.fd(); }

    // Serves the clients waiting now (and those that come while they are
    // served, up to the round's bound). Returns how many were served.
    int ServeWaiting();

private:
    struct Client;
    bool ReadSome(Client& c);
    void Answer(Client& c);

    HvinitDispatcher& dispatcher_;
    int cancelFd_;
    int silenceMs_;
    portlib::platform::NamedPipeListener listener_;
};

}  // namespace hvsvc
