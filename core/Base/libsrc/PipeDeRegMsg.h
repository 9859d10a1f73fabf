// Withdraws an address announced with PipeRegMsg: the receiving end removes
// one route through the pipe with the same host, pid, tid and priority (the
// priority must be the announced one).
#pragma once

#include "BasePipeMsg.h"
#include "bStr.h"

class PipeDeRegMsg : public BasePipeMsg {
    MXR_CLASS(PipeDeRegMsg, BasePipeMsg);
    MXR_FIELDS(MXR_FIELD("host", host), MXR_FIELD("pid", pid), MXR_FIELD("tid", tid),
               MXR_FIELD("comPriority", comPriority));

public:
    PipeDeRegMsg();
    PipeDeRegMsg(bStr host, long pid, long tid);
    PipeDeRegMsg(bStr host, long pid, long tid, int comPriority);
    ~PipeDeRegMsg() override;

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
MXR_COMPANION_PTR(PipeDeRegMsg);
