// Library-wide state of msgframe: the one library lock and the two per-thread
// slots of the blocking client (a thread's shared manager connection and the
// number of that thread's proxies using it).
//
// The lock is constant-initialised, so it is valid before the first static
// initializer of any unit runs and is never destroyed: strings made during
// static initialisation or at exit can take it like any other. The per-thread
// slots read null / 0 in every new thread. Nothing has to run at library load,
// so there is no separate entry step.
#pragma once

#include <mutex>

class SynchPipeHead;

// The library lock. It guards the string class's free lists and nothing else;
// hold it only around short, non-reentrant work.
using MxrCriticalSection = std::mutex;
extern MxrCriticalSection MxrDllCriticalSection;
// Points at MxrDllCriticalSection from load to exit; never null.
extern MxrCriticalSection* const pMxrDllCriticalSection;

// A thread's two slots of the blocking client: its shared connection to the
// manager (or null) and the number of its proxies that use it. The post
// office proxy and the administrator proxy count in the same slots, so a
// thread holds one connection whatever mix of proxies it makes.
struct MxrSharedPipeSlots {
    SynchPipeHead* sharedPipeTls = nullptr;
    int sharedPipeRefCntTls = 0;
};

// The calling thread's slots: the one way to them (null / 0 in a new thread).
MxrSharedPipeSlots& MxrThreadSharedPipeSlots();
