// A pipe control message: consumed by the pipe endpoint that reads it, never
// dispatched to a receiver and never forwarded. The classes derived from it
// set up and keep the routes of a connection (PipeInitMsg, PipeRegMsg,
// PipeDeRegMsg) and carry the heartbeat (PipeHeartBeatMsg). A receiving
// endpoint tells them from ordinary messages by the type test for this class.
#pragma once

#include "BaseMsg.h"

class BasePipeMsg : public BaseMsg {
    MXR_CLASS(BasePipeMsg, BaseMsg);
    MXR_FIELDS();

public:
    BasePipeMsg();
    ~BasePipeMsg() override;
};
MXR_COMPANIONS(BasePipeMsg);
