#include "SignalPollAdptr.h"

#include <cerrno>
#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

#include "BaseWorld.h"
#include "ClassDefine.h"

MXR_LOCAL_CLASS_DEFINE(SignalPollAdptr);

SignalPollAdptr::SignalPollAdptr() : Fd(-1), LastSignal(0) { MXR_METHOD_FRAME("SignalPollAdptr", 0); }

SignalPollAdptr::~SignalPollAdptr() {
    MXR_METHOD_FRAME("~SignalPollAdptr", 0);
    if (Fd != -1) ::close(Fd);
}

TypedPtr<SignalPollAdptr> SignalPollAdptr::Watch(std::initializer_list<int> signals, int* err) {
    MXR_FRAME("SignalPollAdptr", "Watch", 2, "SignalPollAdptr.c");
    sigset_t set;
    sigemptyset(&set);
    for (int sig : signals) sigaddset(&set, sig);
    if (const int rc = pthread_sigmask(SIG_BLOCK, &set, nullptr); rc != 0) {
        if (err != nullptr) *err = rc;
        return TypedPtr<SignalPollAdptr>();
    }
    const int fd = ::signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd == -1) {
        if (err != nullptr) *err = errno;
        return TypedPtr<SignalPollAdptr>();
    }
    TypedPtr<SignalPollAdptr> adptr(new SignalPollAdptr());
    adptr->Fd = fd;
    if (err != nullptr) *err = 0;
    return adptr;
}

int SignalPollAdptr::GetLastSignal() const {
    MXR_METHOD_FRAME("GetLastSignal", 0);
    return LastSignal;
}

void SignalPollAdptr::PopulatePollInfo(hv::pollfd* p) {
    MXR_METHOD_FRAME("PopulatePollInfo", 1);
    p->fd = Fd;
    p->events = POLLIN;
    p->revents = 0;
}

BasePollAdptr::enWork SignalPollAdptr::ProcessRevents(hv::pollfd* p) {
    MXR_METHOD_FRAME("ProcessRevents", 1);
    if ((p->revents & POLLIN) == 0) return NOWORK;
    signalfd_siginfo info;
    bool took = false;
    while (::read(Fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        LastSignal = static_cast<int>(info.ssi_signo);
        took = true;
    }
    if (!took) return NOWORK;
    if (BaseWorld* world = BaseWorld::GetWorldPtr()) world->SetRunFlag(0);
    return DIDWORK;
}

int SignalPollAdptr::TellsInterestChanges() const {
    MXR_METHOD_FRAME("TellsInterestChanges", 0);
    return 1;
}
