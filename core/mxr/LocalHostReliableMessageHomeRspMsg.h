// The answer to LocalHostReliableMessageHomeReqMsg.
// RetVal: 1 the wrapped message was sent on; 0 it was not (the request held
// no message, or its to-address leads nowhere from the manager).
#pragma once

#include "BaseRspMsg.h"
#include "LocalHostReliableMessageHomeReqMsg.h"

class LocalHostReliableMessageHomeRspMsg : public BaseRspMsg {
    MXR_CLASS(LocalHostReliableMessageHomeRspMsg, BaseRspMsg);
    MXR_FIELDS(MXR_FIELD("retVal", RetVal));

public:
    // Empty fields (the factory's instance).
    LocalHostReliableMessageHomeRspMsg();
    // Addressed to the request's from-address; RetVal is set by the answerer.
    explicit LocalHostReliableMessageHomeRspMsg(const LocalHostReliableMessageHomeReqMsg& req);
    ~LocalHostReliableMessageHomeRspMsg() override;

    int GetRetVal() const;
    void SetRetVal(int value);

private:
    int RetVal = 0;
};
MXR_COMPANION_PTR(LocalHostReliableMessageHomeRspMsg);
