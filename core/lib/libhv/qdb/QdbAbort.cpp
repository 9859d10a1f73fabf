// The library's signal set-up and its abort dump. On this platform portlib's
// signal calls do nothing: the handlers are registered but never run.
#include "qdberr.h"
#include "qdbpaths.h"

#include "UnixPath.h"
#include "UnixStubs.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <unistd.h>

namespace {

// portlib's signal numbers and dispositions.
constexpr int kSigInt = 2;
constexpr int kSigTerm = 6;
constexpr int kSigAbrt = 16;
constexpr int kSigBus = 7;
constexpr int kSigReattach = 20;
const portlib::SigHandler kSigErr = reinterpret_cast<portlib::SigHandler>(-1);
const portlib::SigHandler kSigDispIgnore = reinterpret_cast<portlib::SigHandler>(-2);
const portlib::SigHandler kSigDispDefault = reinterpret_cast<portlib::SigHandler>(-3);

std::once_flag g_cleanedUp;

void TerminationHandler(int sig) {
    std::call_once(g_cleanedUp, [] { qdbcleanup(); });
    if (sig == kSigTerm) {
        hv_err(6, 1040, "terminated by SIGTERM signal.\n");
        qdberrcheck();
        std::exit(0);
    }
    hv_err(23, 1046, "received signal %d\n", sig);
    qdberrcheck();
    if (sig != kSigInt) doabort(0);
    qdberrcheck();
    std::exit(3);
}

void ReattachHandler(int) { hv_err(22, 1036, "sig_reattach: reattach failed"); }

bool LeftAlone(int sig) { return sig == 4 || sig == 5 || (sig >= 8 && sig <= 15) || sig == 17 || sig == 18; }

}  // namespace

extern "C" void qdbinitsig(void) {
    for (int sig = 1; sig <= 31; ++sig) {
        if (LeftAlone(sig)) continue;
        if (sig == kSigBus) {
            if (portlib::sigset(sig, kSigDispIgnore) == kSigErr) hv_err(22, 1037, "qdbinitsig: sigset failed, sig=%d", sig);
        } else if (sig == kSigReattach) {
            if (portlib::sigset(sig, ReattachHandler) == kSigErr)
                hv_err(22, 1038, "qdbinitsig: sigset failed, sig=%d", sig);
        } else if (portlib::sigset(sig, TerminationHandler) == kSigErr) {
            hv_err(22, 1039, "qdbinitsig: sigset failed--default case");
        }
    }
}

extern "C" void doabort(int force) {
    if (force) {
        if (::access("/usr/alarm/DOABORT", F_OK) != 0) return;
    } else if (::access("/usr/alarm/NOCOREFILES", F_OK) == 0) {
        return;
    }
    qdberrcheck();
    std::fflush(stdout);
    std::fflush(stderr);
    std::string dir = std::string(gps(kPathCoreFiles)) + "/" + std::to_string(::getpid());
    if (portlib::mkdirp(dir.c_str(), 0755) != 0) {
        hv_err(24, 1041, "doabort:mkdirp() %s", dir.c_str());
        return;
    }
    if (::chdir(dir.c_str()) != 0) {
        hv_err(24, 1042, "doabort:chdir() %s", dir.c_str());
        return;
    }
    hv_err(6, 1043, "\nwriting core file into directory:\n\t\"%s\"\n", dir.c_str());
    if (portlib::sigset(kSigAbrt, kSigDispDefault) == kSigErr) {
        hv_err(24, 1044, "doabort:sigset(SIGABRT)");
        return;
    }
    if (portlib::sigrelse(kSigAbrt) != 0) {
        hv_err(24, 1045, "doabort:sigrelse(SIGABRT)");
        return;
    }
    std::abort();
}
