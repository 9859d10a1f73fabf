#include "LocalHost.h"

#include <iostream>

#include "AnswerWithRetVal.h"
#include "ClassDefine.h"
#include "LocalForms.h"
#include "LocalHostReliableMessageHomeReqMsg.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(LocalHost);

MXR_LOCAL_FORMS(LocalHost, BaseMsgRcvr);

LocalHost::LocalHost() {
    MXR_METHOD_FRAME("LocalHost", 0);
    LocalHostLogicalEntPtr = new LogicalAddrEnt(LogicalAddr::MXRLOCALHOST, GetAddrPtr());
}

LocalHost::~LocalHost() {
    MXR_METHOD_FRAME("~LocalHost", 0);
    LocalHostLogicalEntPtr = LogicalAddrEntPtr();
}

LogicalAddrEntPtr LocalHost::GetLocalHostLogicalEntPtr() const {
    MXR_METHOD_FRAME("GetLocalHostLogicalEntPtr", 0);
    return LocalHostLogicalEntPtr;
}

void LocalHost::SetLocalHostLogicalEntPtr(LogicalAddrEntPtr entry) {
    MXR_METHOD_FRAME("SetLocalHostLogicalEntPtr", 1);
    LocalHostLogicalEntPtr = entry;
}

int LocalHost::ReliableMessageHome(BaseMsgPtr msg) {
    MXR_METHOD_FRAME("ReliableMessageHome", 1);
    if (!msg.Ok()) {
        std::cerr << "ReliableMessageHome got Invalid Msg\n" << std::flush;
        return 0;
    }
    // Answering 1 for a message that the loop can only drop would report a
    // loss as a success.
    if (msg->GetMsgRcvrAddr() == nullptr) {
        std::cerr << "ReliableMessageHome cannot deliver " << msg->GetClassName() << '\n' << std::flush;
        return 0;
    }
    msg.Send();
    return 1;
}

BaseMsgRcvr::enMsgResult LocalHost::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    if (AnswerWithRetVal<LocalHostReliableMessageHomeReqMsg, LocalHostReliableMessageHomeRspMsg>(
            msg, [this](const auto& req) { return ReliableMessageHome(req->GetTheMsg()); }))
        return PROCESSED;
    return BaseMsgRcvr::MsgHdlr(msg, ctrl);
}
