// The heartbeat of a pipe: sent at once when an end starts sending
// heartbeats, then every heartbeat interval. count is its sequence number
// (the sender adds 1 before each sending, so the first carries 1); the
// receiver does not look at it.
#pragma once

#include "BasePipeMsg.h"

class PipeHeartBeatMsg : public BasePipeMsg {
    MXR_CLASS(PipeHeartBeatMsg, BasePipeMsg);
    MXR_FIELDS(MXR_FIELD("count", count));

public:
    PipeHeartBeatMsg();
    ~PipeHeartBeatMsg() override;

    int GetCount() const;
    void SetCount(int count);
    void IncCount();

private:
    int count;
};
MXR_COMPANIONS(PipeHeartBeatMsg);
