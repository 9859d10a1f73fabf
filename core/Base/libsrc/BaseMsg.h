// A message: a serializable object that carries the address of the receiver
// that is to handle it. Sending queues it on the world, whose loop resolves
// the to-address and hands it to the receiver, in this process or through
// a pipe endpoint towards another. A plain message has no sender; requests
// (BaseReqMsg) carry the address that their response goes to.
#pragma once

#include "BaseAddr.h"
#include "BaseMsgPtr.h"
#include "ClassPattern.h"

class BaseMsgRcvr;

class BaseMsg : public BaseVirtItem {
    MXR_CLASS(BaseMsg, BaseVirtItem);
    MXR_FIELDS(MXR_FIELD("toAddr", toAddr));

public:
    // A null to-address (the factory's instance).
    BaseMsg();
    ~BaseMsg() override;

    // slot 7: a shared copy of the to-address.
    virtual BaseAddrPtr GetToAddr() const;
    // slot 8: the to-address shares addr.
    virtual void SetToAddr(const BaseAddrPtr& addr);
    // slot 9: the sender's address; a plain message has none (null).
    virtual BaseAddrPtr GetFrmAddr() const;
    // slot 10: a plain message ignores it.
    virtual void SetFrmAddr(const BaseAddrPtr& addr);
    // slot 11: the local receiver that the to-address resolves to, or null.
    // A to-address that is null or not an address is reported on stderr.
    virtual BaseMsgRcvr* GetMsgRcvrAddr() const;
    // slot 12: the message the loop hands to a receiver: this one (a
    // wrapper, such as a fired timer's message, hands out what it carries).
    virtual BaseMsgPtr GetMsgPtrForDispatch();

protected:
    BaseAddrPtr toAddr;
};
