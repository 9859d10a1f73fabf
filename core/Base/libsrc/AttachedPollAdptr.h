// The manager's control pipe: how every framework process of the system
// (agents, client worlds, blocking clients) gets its connection to the
// manager.
//
// One adapter of this class listens on the pipe's name (made by Listen and
// registered by the manager's world). Each turn in which clients wait it
// accepts all of them and gives each connection an adapter of its own, also
// of this class, that waits for the client's first pipe message: the
// 24-byte connect record. A record that is right turns the connection into
// a pipe endpoint (PipeHead) that from then on carries the client's traffic;
// anything else closes it. The endpoint learns the connected process's pid
// from the kernel, taken when the connection is accepted. So a client that is silent, slow or dies before
// writing holds up nobody, and one silent for ConnectRecordWaitMs is closed.
//
// Only the connect record is read here: bytes behind it in the same pipe
// message stay in the pipe for the endpoint.
#pragma once

#include <memory>

#include "BasePollAdptr.h"
#include "bStr.h"

namespace portlib::platform {
class NamedPipeListener;
}

class AttachedPollAdptr : public BasePollAdptr {
    MXR_LOCAL_CLASS(AttachedPollAdptr, BasePollAdptr);
    MXR_FIELDS(MXR_FIELD("fd", Fd), MXR_FIELD("fileName", FileName));

public:
    // How long a connection may stay silent before its record arrives.
    static constexpr unsigned ConnectRecordWaitMs = 30000;
    // Sizes of the pipe's buffers in each direction.
    static constexpr int PipeBufferSize = 65536;

    // Fd -1, no name (the factory's instance).
    AttachedPollAdptr();
    // A connection that waits for its connect record (its wait starts now).
    AttachedPollAdptr(int handle, bStr name);
    // Closes Fd: a waiting connection, or the listening pipe (its name is
    // then free again).
    ~AttachedPollAdptr() override;

    // The listening adapter of the named pipe (message mode, non-blocking,
    // administrators only), not yet registered: null with *result the
    // platform's error (231: another process listens on that name; 5, 53,
    // 123, 206 for the name or its directory) when it cannot listen.
    static TypedPtr<AttachedPollAdptr> Listen(const bStr& name, int* result = nullptr);

    int GetFd() const;
    void SetFd(int fd);
    bStr GetFileName() const;
    void SetFileName(const bStr& name);
    // 1 for the listening adapter.
    int IsListening() const;

    // {Fd, POLLIN, 0}.
    void PopulatePollInfo(hv::pollfd* p) override;
    // 1 for the listening adapter (its entry never changes); a connection
    // waiting for its record is served in every poll, to count its time.
    int TellsInterestChanges() const override;
    // Listening: accepts every waiting client. Waiting for a record: checks
    // it once it arrives (or the client went away, or the time is up).
    enWork ProcessRevents(hv::pollfd* p) override;

private:
    enWork AcceptWaiting();
    enWork CheckConnectRecord(const hv::pollfd* p);
    // Closes the connection with the report (stderr) and leaves the loop.
    void Reject(const char* report);
    void Finish();

    int Fd;
    bStr FileName;
    std::unique_ptr<portlib::platform::NamedPipeListener> listener;  // listening only
    long peerPid;  // the connected process (kernel credentials); -1 unknown
    unsigned startSecs;  // when the wait for the record began (timers' clock)
    unsigned startMicroSecs;
};
MXR_COMPANIONS(AttachedPollAdptr);
