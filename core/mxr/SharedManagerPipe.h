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
    // ConnectRetrySecs and tries again, without limit, or, while a Bound of
    // the calling thread is in force, until its time is up (then null).
    static SynchPipeHeadPtr Connect();

    // While it lives, Connect on the constructing thread gives up after ms
    // (the shorter one when bounds nest). A thread that holds a lock the
    // manager's own start-up needs sets one: waiting for ever there would
    // never end.
    class Bound {
    public:
        explicit Bound(unsigned ms);
        ~Bound();
        Bound(const Bound&) = delete;
        Bound& operator=(const Bound&) = delete;

    private:
        long long before_;
    };
    // Attempts of Connect in this process that failed so far (a test waits
    // for one instead of for time).
    static long FailedConnects();

    // The calling thread's shared connection, made by Connect when the
    // thread has none, counted once more (null and not counted when a
    // bounded Connect gave up).
    static SynchPipeHeadPtr Acquire();
    // One proxy of the calling thread lets go of pipe. Only the thread's
    // latest shared connection is counted down (one closed at the thread's
    // end, or made on another thread, is not); the count must be above 0
    // (assertion "sharedPipeRefCnt > 0", naming source); at 0 the connection
    // is closed.
    static void Release(const SynchPipeHead* pipe, const char* source);
};
