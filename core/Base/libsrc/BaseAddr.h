// The address of a receiver anywhere in the cluster: the host that runs it,
// its process and its thread. DynamicAddr and LogicalAddr add which receiver
// of that thread. Resolving an address (slot 7) yields the local object that
// must take a message for it: the receiver itself, the pipe endpoint that
// leads towards it, or null.
//
// This class also holds the identity of the running process: the host name
// (MXRHOSTNAME, else the machine's computer name, read once), the process and
// thread ids (the kernel's; 0 and 0 throughout the manager process, whose
// main program sets the manager flag before it makes any receiver).
#pragma once

#include "ClassPattern.h"
#include "bStr.h"

class BaseMsgRcvr;

class BaseAddr : public BaseVirtItem {
    MXR_CLASS(BaseAddr, BaseVirtItem);
    MXR_FIELDS(MXR_FIELD("host", host), MXR_FIELD("pid", pid), MXR_FIELD("tid", tid));

public:
    // The calling thread's address (also the factory's instance).
    BaseAddr();
    BaseAddr(bStr host, long pid, long tid);
    ~BaseAddr() override;

    bStr GetHost() const;
    void SetHost(bStr host);
    long GetPid() const;
    void SetPid(long pid);
    long GetTid() const;
    void SetTid(long tid);

    // 1 when this address denotes the calling thread (in the manager: its
    // process, whatever the tid), else 0.
    int IsCorrectProcess() const;

    // slot 7: the local receiver for this address: the route lookup.
    virtual BaseMsgRcvr* GetMsgRcvrAddr() const;

    // This host's name, read on first use: MXRHOSTNAME verbatim, else the
    // machine's name. Setting an empty name makes the next call read again.
    static bStr GetCurrentHost();
    static void SetCurrentHost(bStr host);
    // The same name without a copy, for lookups on every dispatch; the
    // referenced string stays valid (and unchanged) for the process's life.
    static const bStr& GetCurrentHostRef();
    // 0 in the manager process, else the kernel's process / thread id.
    static long GetCurrentPid();
    static long GetCurrentTid();
    // Non-zero in the manager process; set before the first address is made.
    static int GetMxrWorldFlg();
    static void SetMxrWorldFlg(int flg);

private:
    bStr host;
    long pid;  // 4 bytes on the wire
    long tid;  // 4 bytes on the wire
};
MXR_COMPANIONS(BaseAddr);

// The communication manager's named pipe: "\\.\PIPE\mxr_pipe".
const char* GetMxrPipeName();
