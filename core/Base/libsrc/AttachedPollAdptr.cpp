#include "AttachedPollAdptr.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "ClassDefine.h"
#include "MsgIo.h"
#include "PipeHead.h"
#include "TimerManager.h"
#include "platform/NamedPipe.h"

using namespace portlib::platform;

MXR_LOCAL_CLASS_DEFINE(AttachedPollAdptr);

namespace {
void ReportLine(const std::string& line) { std::cerr << line + "\n" << std::flush; }
}  // namespace

AttachedPollAdptr::AttachedPollAdptr() : Fd(-1), peerPid(-1), startSecs(0), startMicroSecs(0) {
    MXR_METHOD_FRAME("AttachedPollAdptr", 0);
}

AttachedPollAdptr::AttachedPollAdptr(int handle, bStr name) : Fd(handle), FileName(name), peerPid(-1) {
    MXR_METHOD_FRAME("AttachedPollAdptr", 2);
    TimerManager::GetCurrentTime(startSecs, startMicroSecs);
    // Who connected, as the kernel has it: the endpoint holds the peer to
    // addresses of its own.
    PipePeer peer;
    // (0: a process the kernel cannot name to us, in another pid namespace.)
    if (PipePeerOf(handle, &peer) && peer.pid > 0) peerPid = static_cast<long>(peer.pid);
}

AttachedPollAdptr::~AttachedPollAdptr() {
    MXR_METHOD_FRAME("~AttachedPollAdptr", 0);
    if (listener) {
        listener->Close();  // its descriptor, its socket file and the name
    } else if (Fd != -1) {
        PipeClose(Fd);
    }
    Fd = -1;
}

AttachedPollAdptrPtr AttachedPollAdptr::Listen(const bStr& name, int* result) {
    MXR_FRAME("AttachedPollAdptr", "Listen", 2, "AttachedPollAdptr.c");
    auto lis = std::make_unique<NamedPipeListener>();
    PipeListenOptions options;
    options.readMode = PipeReadMode::Message;
    options.nonBlocking = true;
    options.outBufferSize = PipeBufferSize;
    options.inBufferSize = PipeBufferSize;
    const int rc = lis->Create(static_cast<const char*>(name), options);
    if (result != nullptr) *result = rc;
    if (rc != 0) {
        ReportLine("Could not Create pipe for Mxr: error " + std::to_string(rc));
        return AttachedPollAdptrPtr();
    }
    AttachedPollAdptrPtr adptr(new AttachedPollAdptr());
    adptr->Fd = lis->fd();
    adptr->FileName = name;
    adptr->listener = std::move(lis);
    return adptr;
}

void AttachedPollAdptr::PopulatePollInfo(hv::pollfd* p) {
    MXR_METHOD_FRAME("PopulatePollInfo", 1);
    p->fd = Fd;
    p->events = POLLIN;
    p->revents = 0;
}

int AttachedPollAdptr::TellsInterestChanges() const {
    MXR_METHOD_FRAME("TellsInterestChanges", 0);
    return listener ? 1 : 0;
}

BasePollAdptr::enWork AttachedPollAdptr::ProcessRevents(hv::pollfd* p) {
    MXR_METHOD_FRAME("ProcessRevents", 1);
    if (listener) return (p->revents & POLLIN) ? AcceptWaiting() : NOWORK;
    return CheckConnectRecord(p);
}

BasePollAdptr::enWork AttachedPollAdptr::AcceptWaiting() {
    MXR_METHOD_FRAME("AcceptWaiting", 0);
    std::vector<int> fds;
    const int rc = listener->AcceptPending(&fds);
    // Each connection waits for its record on its own.
    for (int fd : fds) AttachedPollAdptrPtr(new AttachedPollAdptr(fd, FileName))->Register();
    if (rc != 0) ReportLine("Could not Create pipe for Mxr: error " + std::to_string(rc));
    return fds.empty() ? NOWORK : DIDWORK;
}

BasePollAdptr::enWork AttachedPollAdptr::CheckConnectRecord(const hv::pollfd* p) {
    MXR_METHOD_FRAME("CheckConnectRecord", 1);
    if (Fd == -1) return NOWORK;
    const bool gone = (p->revents & (POLLHUP | POLLERR)) != 0;
    if ((p->revents & POLLIN) == 0 && !gone) {
        unsigned secs = 0, micros = 0;
        TimerManager::GetCurrentTime(secs, micros);
        const long long waitedMs = (static_cast<long long>(secs) - startSecs) * 1000 +
                                   (static_cast<long long>(micros) - startMicroSecs) / 1000;
        if (waitedMs < ConnectRecordWaitMs) return NOWORK;
        Reject("Did not get MXR_CONNECT_MSG");
        return DIDWORK;
    }
    // Only the record: the rest of a longer first message stays in the pipe
    // for the endpoint.
    char record[PipeHead::ConnectRecordLen];
    hv::strbuf data{PipeHead::ConnectRecordLen, 0, record};
    int flags = 0;
    const int rc = hv::getmsg(Fd, nullptr, &data, &flags);
    if (rc == -1 && errno == EAGAIN && !gone) return NOWORK;  // nothing there after all
    if (rc == -1 || data.len < PipeHead::ConnectRecordLen) {
        Reject("Did not get MXR_CONNECT_MSG");
        return DIDWORK;
    }
    if (std::memcmp(record, PipeHead::ConnectRecord, PipeHead::ConnectRecordLen) != 0) {
        Reject("Bad  MXR_CONNECT_MSG");
        return DIDWORK;
    }
    // The endpoint lives on through its own adapter's registration.
    if (peerPid < 0) {
        // A peer the kernel does not name: nobody could hold it to its
        // addresses.
        Reject("No peer credentials for MXR_CONNECT_MSG");
        return DIDWORK;
    }
    const PipeHeadPtr head(new PipeHead(Fd));
    head->SetPeerPid(peerPid);
    Fd = -1;
    head->Initialize();
    Finish();
    return DIDWORK;
}

void AttachedPollAdptr::Reject(const char* report) {
    MXR_METHOD_FRAME("Reject", 1);
    ReportLine(report);
    PipeClose(Fd);
    Fd = -1;
    Finish();
}

void AttachedPollAdptr::Finish() {
    MXR_METHOD_FRAME("Finish", 0);
    // The poll in progress keeps this adapter until it ends.
    DeRegister();
}

int AttachedPollAdptr::GetFd() const {
    MXR_METHOD_FRAME("GetFd", 0);
    return Fd;
}

void AttachedPollAdptr::SetFd(int fd) {
    MXR_METHOD_FRAME("SetFd", 1);
    if (Fd == fd) return;
    Fd = fd;
    InterestChanged();
}

bStr AttachedPollAdptr::GetFileName() const {
    MXR_METHOD_FRAME("GetFileName", 0);
    return FileName;
}

void AttachedPollAdptr::SetFileName(const bStr& name) {
    MXR_METHOD_FRAME("SetFileName", 1);
    FileName = name;
}

int AttachedPollAdptr::IsListening() const {
    MXR_METHOD_FRAME("IsListening", 0);
    return listener ? 1 : 0;
}
