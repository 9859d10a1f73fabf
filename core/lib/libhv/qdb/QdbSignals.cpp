// Holding the asynchronous signals of the calling thread while a table file
// is written. Faults raised by the code itself (segmentation, bus, arithmetic,
// illegal instruction, trap, bad system call, abort) stay deliverable.
#include "qdberr.h"

#include <initializer_list>
#include <pthread.h>

namespace {

sigset_t AsyncSignals() {
    sigset_t set;
    sigfillset(&set);
    for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTRAP, SIGSYS, SIGABRT}) sigdelset(&set, sig);
    return set;
}

}  // namespace

extern "C" int qdbholdsig(sigset_t* old) {
    static const sigset_t held = AsyncSignals();
    sigset_t ignored;
    if (::pthread_sigmask(SIG_BLOCK, &held, old ? old : &ignored) != 0)
        return hv_err(22, 1034, "qdbholdsig: sigprocmask failed");
    return 0;
}

extern "C" int qdbrlssig(sigset_t* old) {
    if (old == nullptr) return 0;
    if (::pthread_sigmask(SIG_SETMASK, old, nullptr) != 0) return hv_err(22, 1035, "qdbrlssig: sigprocmask failed");
    return 0;
}
