// The loop every pipe server of the service runs: one client at a time,
// each served only after the worker passed the pause gate. A stop ends the
// loop between clients; an accept that fails for the moment (descriptors
// short, a client gone before it was taken) costs a short pause, never the
// server.
#pragma once

#include "PauseGate.h"

#include "platform/NamedPipeListener.h"

#include <functional>

namespace hvsvc {

enum class SessionEnd {
    Next,        // serve the next client
    StopServer,  // end the server (the stop request of the object-persistence pipe)
};

class PipeServer {
public:
    // Listener options of the service's pipes: byte reads, non-blocking, and
    // NT's buffer sizes.
    static portlib::platform::PipeListenOptions Options(std::size_t bufferSize);

    // Serves until the gate stops or a session asks to end. `serve` gets the
    // connected descriptor and must not close it. Returns true when a session
    // ended the server, false on a stop.
    static bool Run(portlib::platform::NamedPipeListener& listener, PauseGate& gate,
                    const std::function<SessionEnd(int fd)>& serve);
};

}  // namespace hvsvc
