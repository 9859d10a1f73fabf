// The object-persistence worker: serves "\\.\pipe\ProcPreserveService" one
// client at a time (PreserveSession.h) and holds processes, events, shared
// memory and mutexes open for others. Its tables live as long as the thread.
#pragma once

#include "PauseGate.h"
#include "PreserveSession.h"

namespace hvsvc {

class PreserveServer {
public:
    static constexpr std::size_t kBufferSize = 512;

    // silenceMs: how long a client may keep a request waiting.
    explicit PreserveServer(PauseGate& gate, int silenceMs = 5000) : gate_(gate), silenceMs_(silenceMs) {}

    // The thread's body: returns on a stop of the service, on the stop
    // request, or at once when the pipe cannot be made (result: its error).
    int Run();

private:
    PauseGate& gate_;
    int silenceMs_;
};

}  // namespace hvsvc
