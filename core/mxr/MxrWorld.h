// The world of the manager process: the event loop with the machine's post
// office and its path administrator, both held by value for the life of the
// world. The post office asks the administrator whether a host can be
// reached, and the administrator learns when the connection of a process
// ends (an agent that goes away). Listening on the manager pipe is added by
// Initialize.
#pragma once

#include "BaseWorld.h"
#include "MxrAdmin.h"
#include "PostOffice.h"

class MxrWorld : public BaseWorld {
public:
    // Becomes the current world; then the post office and the administrator.
    MxrWorld();
    ~MxrWorld() override;

    PostOffice& GetMxrPostOffice();
    MxrAdmin& GetMxrAdmin();

private:
    // A route of this host has gone: if nothing else leads to that process,
    // an agent of it is gone.
    static void RouteGone(void* self, const bStr& host, long pid, long tid);

    PostOffice MxrPostOffice;
    MxrAdmin Admin;
};
