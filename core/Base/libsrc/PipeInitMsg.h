// The first message of each end on a new pipe: the sender's own address
// (host, pid, tid; pid and tid 0 in the manager's process) and the largest
// packet it sends, header included. The receiving end routes the sender's
// address through the pipe and keeps the smaller packet size of the two.
#pragma once

#include "BasePipeMsg.h"
#include "bStr.h"

class PipeInitMsg : public BasePipeMsg {
    MXR_CLASS(PipeInitMsg, BasePipeMsg);
    MXR_FIELDS(MXR_FIELD("host", host), MXR_FIELD("pid", pid), MXR_FIELD("tid", tid),
               MXR_FIELD("max_pkt_size", max_pkt_size));

public:
    PipeInitMsg();
    PipeInitMsg(bStr host, long pid, long tid, unsigned int max_pkt_size);
    ~PipeInitMsg() override;

    bStr GetHost() const;
    void SetHost(bStr host);
    long GetPid() const;
    void SetPid(long pid);
    long GetTid() const;
    void SetTid(long tid);
    unsigned int GetMax_pkt_size() const;
    void SetMax_pkt_size(unsigned int size);

private:
    bStr host;
    long pid;  // 4 bytes on the wire
    long tid;  // 4 bytes on the wire
    unsigned int max_pkt_size;
};
MXR_COMPANIONS(PipeInitMsg);
