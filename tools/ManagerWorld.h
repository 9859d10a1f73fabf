// The communication manager's world as the stand-in manager program runs
// it: the manager's world (the event loop, the post office at logical name
// 5 with the mailbox "_CaN_tAlK_" that clients probe, and the path
// administrator at logical name 7, which answers the post office whether a
// host can be reached), the local host receiver (logical name 6: messages a
// client hands over to be sent from here) and the listening end of the
// manager's control pipe, on which every framework process of this system
// connects.
//
// The program sets the manager flag (BaseAddr::SetMxrWorldFlg(1)) before it
// constructs this world, so that every address of the process reads pid 0
// and tid 0. Construct, SetMxrPipeName, Initialize (0: listening), Run while
// the run flag is set, CleanUp.
#pragma once

#include "AttachedPollAdptr.h"
#include "LocalHost.h"
#include "MxrWorld.h"
#include "bStr.h"

class ManagerWorld : public MxrWorld {
public:
    // The world becomes current; the post office and the administrator exist
    // from here on.
    ManagerWorld();
    ~ManagerWorld() override;

    // The pipe Initialize listens on (normally GetMxrPipeName()).
    void SetMxrPipeName(const bStr& name);
    bStr GetMxrPipeName() const;

    // Listens on the pipe and creates the mailbox "_CaN_tAlK_": 0, or the
    // platform's error when the pipe cannot be made (231: another manager
    // listens on it; 5, 53, 123, 206 for its name or directory).
    int Initialize() override;
    // Stops listening: no new client is taken, the name is free again.
    void CleanUp() override;

private:
    LocalHost MxrLocalHost;
    AttachedPollAdptrPtr Listener;
    bStr PipeName;
};
