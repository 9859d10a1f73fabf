// The blocking connection to this system's manager as the client proxies
// (ProxyPostOffice, ProxyMxrAdmin) hold it: made with retries until the
// manager answers, and shared by every proxy of a thread through the
// thread's two slots (MxrThreadSharedPipeSlots, MxrDll.h): the thread's
// first proxy makes it, its last one closes it. A thread that ends while
// proxies of it still live closes its connection as it ends; those proxies
// keep the closed object and fail their calls.
#pragma once

#include "SynchPipeHead.h"

class SharedManagerPipe {
public:
    // Seconds between two attempts to reach the manager (shortened in a
    // test build by HV_TEST_TIME_SCALE, platform/TestTimeScale.h).
    static constexpr int ConnectRetrySecs = 2;

    // A new connection to the manager pipe (GetMxrPipeName), initialized:
    // tries, and while that fails closes and frees the failed attempt, waits
    // ConnectRetrySecs and tries again, without limit.
    static SynchPipeHeadPtr Connect();
    // Attempts of Connect in this process that failed so far (a test waits
    // for one instead of for time).
    static long FailedConnects();

    // The calling thread's shared connection, made by Connect when the
    // thread has none, counted once more.
    static SynchPipeHeadPtr Acquire();
    // One proxy of the calling thread lets go of pipe. Only the thread's
    // latest shared connection is counted down (one closed at the thread's
    // end, or made on another thread, is not); the count must be above 0
    // (assertion "sharedPipeRefCnt > 0", naming source); at 0 the connection
    // is closed.
    static void Release(const SynchPipeHead* pipe, const char* source);
};
