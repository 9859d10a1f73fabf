#include "CommAgentMsgRcvr.h"

#include "AnswerWithRetVal.h"
#include "ClassDefine.h"
#include "CommAgentMsgRcvrAddHostReqMsg.h"
#include "CommAgentMsgRcvrDeleteHostReqMsg.h"

MXR_ABSTRACT_CLASS_DEFINE(CommAgentMsgRcvr);

CommAgentMsgRcvr::CommAgentMsgRcvr() { MXR_METHOD_FRAME("CommAgentMsgRcvr", 0); }

CommAgentMsgRcvr::~CommAgentMsgRcvr() { MXR_METHOD_FRAME("~CommAgentMsgRcvr", 0); }

int CommAgentMsgRcvr::GetCommAgentTagNum() const {
    MXR_METHOD_FRAME("GetCommAgentTagNum", 0);
    return CommAgentTagNum;
}

void CommAgentMsgRcvr::SetCommAgentTagNum(int tag) {
    MXR_METHOD_FRAME("SetCommAgentTagNum", 1);
    CommAgentTagNum = tag;
}

BaseMsgRcvr::enMsgResult CommAgentMsgRcvr::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    if (AnswerWithRetVal<CommAgentMsgRcvrAddHostReqMsg, CommAgentMsgRcvrAddHostRspMsg>(
            msg, [this](const CommAgentMsgRcvrAddHostReqMsgPtr& req) { return AddHost(req->GetCommPathPtr()); }))
        return PROCESSED;
    if (AnswerWithRetVal<CommAgentMsgRcvrDeleteHostReqMsg, CommAgentMsgRcvrDeleteHostRspMsg>(
            msg, [this](const CommAgentMsgRcvrDeleteHostReqMsgPtr& req) { return DeleteHost(req->GetCommPathPtr()); }))
        return PROCESSED;
    return BaseMsgRcvr::MsgHdlr(msg, ctrl);
}
