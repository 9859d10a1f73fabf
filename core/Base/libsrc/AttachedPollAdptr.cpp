#include "AttachedPollAdptr.h"

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <string>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

#include "ClassDefine.h"
#include "ControlPipeClientAdptr.h"
#include "platform/NamedPipeMode.h"
#include "platform/Win32Error.h"

MXR_CLASS_DEFINE(AttachedPollAdptr, 1);

namespace {
AttachedPollAdptr::ClientHandoff clientHandoff = nullptr;
}  // namespace

void AttachedPollAdptr::SetClientHandoff(ClientHandoff handoff) {
    MXR_METHOD_FRAME("SetClientHandoff", 1);
    clientHandoff = handoff;
}

AttachedPollAdptr::ClientHandoff AttachedPollAdptr::GetClientHandoff() {
    MXR_METHOD_FRAME("GetClientHandoff", 0);
    return clientHandoff;
}

AttachedPollAdptr::AttachedPollAdptr() : Fd(-1), spareFd(-1) { MXR_METHOD_FRAME("AttachedPollAdptr", 0); }

AttachedPollAdptr::AttachedPollAdptr(portlib::platform::NamedPipeListener&& listener_, bStr name)
    : Fd(listener_.fd()), FileName(name), listener(std::move(listener_)),
      spareFd(::open("/dev/null", O_RDONLY | O_CLOEXEC)) {
    MXR_METHOD_FRAME("AttachedPollAdptr", 2);
}

AttachedPollAdptr::~AttachedPollAdptr() {
    MXR_METHOD_FRAME("~AttachedPollAdptr", 0);
    listener.Close();
    Fd = -1;
    if (spareFd >= 0) ::close(spareFd);
}

AttachedPollAdptrPtr AttachedPollAdptr::Listen(const bStr& name, int* error) {
    MXR_METHOD_FRAME("Listen", 2);
    int dummy = 0;
    if (error == nullptr) error = &dummy;
    portlib::platform::NamedPipeListener l;
    portlib::platform::PipeListenOptions options;
    options.readMode = portlib::platform::PipeReadMode::Message;
    options.nonBlocking = true;
    options.outBufferSize = kPipeBufferSize;
    options.inBufferSize = kPipeBufferSize;
    *error = l.Create(name.StrVal(), options);
    if (*error != 0) {
        std::cerr << std::string("Could not Create pipe for Mxr: error ") + std::to_string(*error) + "\n" << std::flush;
        return AttachedPollAdptrPtr();
    }
    return AttachedPollAdptrPtr(new AttachedPollAdptr(std::move(l), name));
}

int AttachedPollAdptr::GetFd() const {
    MXR_METHOD_FRAME("GetFd", 0);
    return Fd;
}

bStr AttachedPollAdptr::GetFileName() const {
    MXR_METHOD_FRAME("GetFileName", 0);
    return FileName;
}

void AttachedPollAdptr::SetFileName(const bStr& name) {
    MXR_METHOD_FRAME("SetFileName", 1);
    FileName = name;
}

void AttachedPollAdptr::PopulatePollInfo(hv::pollfd* p) {
    MXR_METHOD_FRAME("PopulatePollInfo", 1);
    p->fd = Fd;
    p->events = POLLIN;
}

BasePollAdptr::enWork AttachedPollAdptr::ProcessRevents(hv::pollfd* p) {
    MXR_METHOD_FRAME("ProcessRevents", 1);
    if (!(p->revents & POLLIN) || !listener.IsOpen()) return NOWORK;
    std::vector<int> fds;
    const int rc = listener.AcceptPending(&fds);
    for (int fd : fds) {
        BasePollAdptrPtr client(new ControlPipeClientAdptr(fd));
        client->Register();
    }
    if (rc == portlib::platform::HV_ERROR_TOO_MANY_OPEN_FILES) {
        std::perror("AttachedPollAdptr - clients turned away");
        TurnAwayWaiting();
    }
    return DIDWORK;
}

void AttachedPollAdptr::TurnAwayWaiting() {
    MXR_METHOD_FRAME("TurnAwayWaiting", 0);
    // The spare descriptor frees the one slot that taking (and closing) each
    // waiting connection needs.
    if (spareFd >= 0) {
        ::close(spareFd);
        spareFd = -1;
    }
    for (;;) {
        const int c = ::accept4(Fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (c < 0) break;
        ::close(c);
    }
    spareFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
}
