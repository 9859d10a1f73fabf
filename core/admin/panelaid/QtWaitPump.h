// WaitPump for the GUI thread: a local event loop that keeps painting and
// firing timers while the child runs and drops the user's input (keys, mouse,
// closing a window), so that nothing the user does reaches the console
// meanwhile. Off the GUI thread, or without an application, it polls.
#pragma once

#include "WaitPump.h"

namespace panelaid {

class QtWaitPump : public WaitPump {
public:
    void WaitUntilDone(WaitSubject& subject) override;
};

}  // namespace panelaid
