// A request: a message that expects a response. Its from-address is where
// the response goes; it is stamped when the request is made inside a
// receiver's handler (that receiver's own address), else left null for the
// requester to set.
//
// Every request of the system is a subclass of this shape:
//   XReqMsg();                              // for the factory
//   XReqMsg(BaseAddrPtr& to, fields...);    // BaseReqMsg() stamps frmAddr,
//                                           // then toAddr = to and the fields
// and its response XRspMsg(const XReqMsg& req) is addressed to
// req.GetFrmAddr().
#pragma once

#include "BaseMsg.h"

class BaseReqMsg : public BaseMsg {
    MXR_CLASS(BaseReqMsg, BaseMsg);
    MXR_FIELDS(MXR_FIELD("frmAddr", frmAddr));

public:
    // Null to-address; from-address: the receiver being dispatched on this
    // thread, when there is one.
    BaseReqMsg();
    ~BaseReqMsg() override;

    BaseAddrPtr GetFrmAddr() const override;
    void SetFrmAddr(const BaseAddrPtr& addr) override;

protected:
    BaseAddrPtr frmAddr;
};
MXR_COMPANIONS(BaseReqMsg);
