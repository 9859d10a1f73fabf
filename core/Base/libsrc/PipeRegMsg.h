// A further address reachable through the sending end (the remote system of
// a path, say), with the priority of its route. The receiving end adds a
// route for it through the pipe; repeated announcements add repeated routes.
#pragma once

#include "BasePipeMsg.h"
#include "bStr.h"

class PipeRegMsg : public BasePipeMsg {
    MXR_CLASS(PipeRegMsg, BasePipeMsg);
    MXR_FIELDS(MXR_FIELD("host", host), MXR_FIELD("pid", pid), MXR_FIELD("tid", tid),
               MXR_FIELD("comPriority", comPriority));

public:
    PipeRegMsg();
    PipeRegMsg(bStr host, long pid, long tid);
    PipeRegMsg(bStr host, long pid, long tid, int comPriority);
    ~PipeRegMsg() override;

    bStr GetHost() const;
    void SetHost(bStr host);
    long GetPid() const;
    void SetPid(long pid);
    long GetTid() const;
    void SetTid(long tid);
    int GetComPriority() const;
    void SetComPriority(int comPriority);

private:
    bStr host;
    long pid;  // 4 bytes on the wire
    long tid;  // 4 bytes on the wire
    int comPriority;
};
MXR_COMPANIONS(PipeRegMsg);
