// The world of the manager process: the event loop with the machine's post
// office and its path administrator, both held by value for the life of the
// world, and the listening end of the manager pipe, on which every framework
// process of this system connects. The post office asks the administrator
// whether a host can be reached, and the administrator learns when the
// connection of a process ends (an agent that goes away).
//
// The host program: BaseAddr::SetMxrWorldFlg(1) before any receiver exists,
// construct, SetMxrPipeName, Initialize (non-zero: stop), Run while the run
// flag is set, CleanUp. The priority settings are kept and applied by
// nothing.
#pragma once

#include <cstdint>

#include "AttachedPollAdptr.h"
#include "BaseWorld.h"
#include "MxrAdmin.h"
#include "PostOffice.h"
#include "bStr.h"

class MxrWorld : public BaseWorld {
public:
    // "Not set" for the two priorities.
    static constexpr std::int16_t PriorityNotSet = -30007;

    // Becomes the current world; then the post office and the administrator.
    MxrWorld();
    ~MxrWorld() override;

    // Prints "MxrPipeName: <name>" on standard output, listens on the pipe
    // (administrators only; a stale socket of a dead manager is taken over)
    // and creates the mailbox "_CaN_tAlK_": 0. When the pipe cannot be made
    // (no name set, another manager listens on it, the directory refuses
    // us): perror "CreateNamedPipe: control pipe" and -1.
    int Initialize() override;
    // Stops listening: no new client is taken, the name is free again.
    void CleanUp() override;

    // Does nothing: priorities are not applied.
    void SetMxrPriority();
    // This process's shutdown level from the registry's base (offset 0).
    void SetMxrShutdownPriority();

    PostOffice& GetMxrPostOffice();
    MxrAdmin& GetMxrAdmin();
    AttachedPollAdptrPtr& GetAttachedPollAdptrPtr();

    std::int16_t GetRtPriority() const;
    void SetRtPriority(std::int16_t priority);
    std::int16_t GetTsPriority() const;
    void SetTsPriority(std::int16_t priority);
    std::uint32_t GetRttqSecs() const;
    void SetRttqSecs(std::uint32_t secs);
    std::int32_t GetRttqNSecs() const;
    void SetRttqNSecs(std::int32_t nsecs);
    bStr GetMxrPrioClass() const;
    void SetMxrPrioClass(const bStr& prioClass);

    // The pipe Initialize listens on (null until set; the text is copied).
    // Set on the loop's thread before Initialize.
    static const char* GetMxrPipeName();
    static void SetMxrPipeName(const char* name);

private:
    // A route of this host has gone: if nothing else leads to that process,
    // an agent of it is gone.
    static void RouteGone(void* self, const bStr& host, long pid, long tid);

    PostOffice MxrPostOffice;
    MxrAdmin Admin;
    AttachedPollAdptrPtr Listener;
    std::int16_t RtPriority = PriorityNotSet;
    std::int16_t TsPriority = PriorityNotSet;
    std::uint32_t RttqSecs = 1;
    std::int32_t RttqNSecs = 0;
    bStr MxrPrioClass{"RT"};
};
