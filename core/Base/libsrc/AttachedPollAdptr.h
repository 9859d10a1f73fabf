// The manager's control pipe: the poll adapter of its listening socket.
//
// Each client that connects gets a small adapter of its own
// (ControlPipeClientAdptr) that waits for the client's first message, the
// 24-byte connect record; a client that is slow to write it, or dies
// before, holds up nobody else. A client whose record is right is handed to
// the pipe endpoint through the client hand-off; any other is turned away.
//
// Fd is the listening descriptor; FileName the pipe's name as given.
#pragma once

#include "BasePollAdptr.h"
#include "bStr.h"
#include "platform/NamedPipeListener.h"

class AttachedPollAdptr : public BasePollAdptr {
    MXR_CLASS(AttachedPollAdptr, BasePollAdptr);
    MXR_FIELDS(MXR_FIELD("fd", Fd), MXR_FIELD("fileName", FileName));

public:
    // The first message of every client of the control pipe.
    static constexpr char kConnectRecord[] = "!@#$CONNECTED_TO_MXR$#@!";
    static constexpr int kConnectRecordLen = 24;
    // Buffer sizes of the control pipe's connections.
    static constexpr int kPipeBufferSize = 65536;

    // Takes the descriptor of an accepted client whose connect record was
    // right; from then on the descriptor is the taker's.
    using ClientHandoff = void (*)(int fd);
    static void SetClientHandoff(ClientHandoff handoff);
    static ClientHandoff GetClientHandoff();

    // Fd -1, no name (the factory's instance).
    AttachedPollAdptr();
    // Serves the listener, which it owns from now on.
    AttachedPollAdptr(portlib::platform::NamedPipeListener&& listener, bStr name);
    // Closes the listener.
    ~AttachedPollAdptr() override;

    // Listens on name ("\\.\pipe\...") with the control pipe's settings
    // (message mode, non-blocking, 64 KB buffers). Null with *error set (the
    // listener's Win32 number) when the name cannot be taken.
    static TypedPtr<AttachedPollAdptr> Listen(const bStr& name, int* error);

    int GetFd() const;
    bStr GetFileName() const;
    void SetFileName(const bStr& name);

    // {Fd, POLLIN}.
    void PopulatePollInfo(hv::pollfd* p) override;
    // Accepts every waiting client and gives each its own adapter.
    enWork ProcessRevents(hv::pollfd* p) override;

private:
    // With no descriptor left for a new connection: take the connections
    // waiting, one by one, and close them, so that the listener does not stay
    // ready and the loop does not spin.
    void TurnAwayWaiting();

    int Fd;
    bStr FileName;
    portlib::platform::NamedPipeListener listener;
    int spareFd;  // held in reserve for TurnAwayWaiting
};
MXR_COMPANIONS(AttachedPollAdptr);
