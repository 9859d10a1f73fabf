#include "ProxyPostOffice.h"

#include "BasePipeMsg.h"
#include "ClassDefine.h"
#include "LocalForms.h"
#include "LogicalAddr.h"
#include "PostOfficeCanTalkReqMsg.h"
#include "PostOfficeCreateMailBoxReqMsg.h"
#include "PostOfficeDisplayMailBoxLstRspMsg.h"
#include "PostOfficeIsHostAliveReqMsg.h"
#include "PostOfficeIsMboxEmptyReqMsg.h"
#include "PostOfficeRcvFromHostMboxReqMsg.h"
#include "PostOfficeRcvFromHostMboxRspMsg.h"
#include "PostOfficeRcvFromMboxReqMsg.h"
#include "PostOfficeRcvFromMboxRspMsg.h"
#include "PostOfficeRemoveMailBoxReqMsg.h"
#include "PostOfficeSendToMboxAsynchReqMsg.h"
#include "PostOfficeSendToMboxReqMsg.h"
#include "SharedManagerPipe.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(ProxyPostOffice);

MXR_LOCAL_FORMS(ProxyPostOffice, BaseVirtItem);

namespace {

template <class Rsp>
int RetValOf(const BaseMsgPtr& answer) {
    return TypedPtr<Rsp>(answer)->GetRetVal();
}

// The answers of the post office's calls: one of another call than the one
// being made is passed over.
const int* ResponseClasses() {
    static const int codes[] = {
    PostOfficeCreateMailBoxRspMsg::ClassCode,    PostOfficeRemoveMailBoxRspMsg::ClassCode,
    PostOfficeSendToMboxRspMsg::ClassCode,       PostOfficeSendToMboxAsynchRspMsg::ClassCode,
    PostOfficeRcvFromMboxRspMsg::ClassCode,      PostOfficeRcvFromHostMboxRspMsg::ClassCode,
    PostOfficeIsHostAliveRspMsg::ClassCode,      PostOfficeIsMboxEmptyRspMsg::ClassCode,
    PostOfficeCanTalkRspMsg::ClassCode,          PostOfficeDisplayMailBoxLstRspMsg::ClassCode, 0,
    };
    return codes;
}

bool BelongsToAnotherCall(const BaseMsgPtr& got, int rspClass, const bStr* host, const bStr* mbox) {
    if (got->IsOfType(BasePipeMsg::ClassCode)) return true;
    if (got->IsOfType(rspClass)) {
        if (const PostOfficeRcvFromMboxRspMsgPtr r(got); r.Ok()) return mbox != nullptr && r->GetMBoxName() != *mbox;
        if (const PostOfficeRcvFromHostMboxRspMsgPtr r(got); r.Ok())
            return (mbox != nullptr && r->GetMBoxName() != *mbox) || (host != nullptr && r->GetHost() != *host);
        return false;
    }
    for (const int* code = ResponseClasses(); *code != 0; ++code)
        if (got->IsOfType(*code)) return true;
    return false;
}

}  // namespace

struct ProxyPostOffice::Mapping {
    int rspClass;
    int (*retVal)(const BaseMsgPtr&);
    Message::enMessageErr zero;      // right class, retVal 0
    Message::enMessageErr nonZero;   // right class, any other retVal
    Message::enMessageErr wrong;     // an answer of another class
};

ProxyPostOffice::ProxyPostOffice() : UsingSharedPipe(1) {
    MXR_METHOD_FRAME("ProxyPostOffice", 0);
    PipeHeadPtr = SharedManagerPipe::Acquire();
}

ProxyPostOffice::ProxyPostOffice(int own) : PipeHeadPtr(SharedManagerPipe::Connect()), UsingSharedPipe(0) {
    MXR_METHOD_FRAME("ProxyPostOffice", 1);
    static_cast<void>(own);
}

ProxyPostOffice::ProxyPostOffice(const SynchPipeHeadPtr& connection) : PipeHeadPtr(connection), UsingSharedPipe(0) {
    MXR_METHOD_FRAME("ProxyPostOffice", 1);
}

ProxyPostOffice::~ProxyPostOffice() {
    MXR_METHOD_FRAME("~ProxyPostOffice", 0);
    if (UsingSharedPipe == 1) SharedManagerPipe::Release(PipeHeadPtr.GetPtr(), "ProxyPostOffice");
    // A connection of its own closes with its last holder.
    PipeHeadPtr = SynchPipeHeadPtr();
}

SynchPipeHeadPtr ProxyPostOffice::GetPipeHeadPtr() const {
    MXR_METHOD_FRAME("GetPipeHeadPtr", 0);
    return PipeHeadPtr;
}

void ProxyPostOffice::SetPipeHeadPtr(const SynchPipeHeadPtr& connection) {
    MXR_METHOD_FRAME("SetPipeHeadPtr", 1);
    PipeHeadPtr = connection;
}

int ProxyPostOffice::GetUsingSharedPipe() const {
    MXR_METHOD_FRAME("GetUsingSharedPipe", 0);
    return UsingSharedPipe;
}

void ProxyPostOffice::SetUsingSharedPipe(int shared) {
    MXR_METHOD_FRAME("SetUsingSharedPipe", 1);
    UsingSharedPipe = shared;
}

BaseAddrPtr ProxyPostOffice::PostOfficeOf(const bStr& host) {
    MXR_FRAME("ProxyPostOffice", "PostOfficeOf", 1, "ProxyPostOffice.c");
    return BaseAddrPtr(new LogicalAddr(host, LogicalAddr::MXRPOSTOFFICE));
}

BaseAddrPtr ProxyPostOffice::LocalPostOffice() {
    if (FuncInfo::MayTrace()) return PostOfficeOf(BaseAddr::GetCurrentHost());
    // A new host name is published as a new string: the address follows it.
    const bStr& host = BaseAddr::GetCurrentHostRef();
    if (LocalPostOfficeHost != &host || LocalPostOfficeAddr.GetPtr() == nullptr) {
        LocalPostOfficeAddr = PostOfficeOf(host);
        LocalPostOfficeHost = &host;
    }
    return LocalPostOfficeAddr;
}

int ProxyPostOffice::Exchange(const BaseMsgPtr& req, int rspClass, const bStr* host, const bStr* mbox,
                              BaseMsgPtr* answer) {
    MXR_METHOD_FRAME("Exchange", 5);
    if (!PipeHeadPtr.Ok()) return -1;
    if (PipeHeadPtr->SynchWrite(req) != 0) return -1;
    for (;;) {
        BaseMsgPtr got;
        if (PipeHeadPtr->SynchRead(got) != 0) return -1;
        if (BelongsToAnotherCall(got, rspClass, host, mbox)) continue;
        *answer = got;
        return 0;
    }
}

Message::enMessageErr ProxyPostOffice::Call(const BaseMsgPtr& req, const Mapping& map) {
    MXR_METHOD_FRAME("Call", 2);
    BaseMsgPtr answer;
    if (Exchange(req, map.rspClass, nullptr, nullptr, &answer) != 0) return Message::INTERNALERR;
    if (!answer->IsOfType(map.rspClass)) return map.wrong;
    return map.retVal(answer) == 0 ? map.zero : map.nonZero;
}

MessagePtr ProxyPostOffice::Receive(const BaseMsgPtr& req, int rspClass, const bStr& host, const bStr& mbox) {
    MXR_METHOD_FRAME("Receive", 4);
    MessagePtr fresh(new Message());
    fresh->SetLastErr(Message::INTERNALERR);
    const bool hostBound = rspClass == PostOfficeRcvFromHostMboxRspMsg::ClassCode;
    BaseMsgPtr answer;
    if (Exchange(req, rspClass, hostBound ? &host : nullptr, &mbox, &answer) != 0) return fresh;
    if (!answer->IsOfType(rspClass)) {
        fresh->SetLastErr(Message::SYNCHRCVFAILED);
        return fresh;
    }
    int retVal = 0;
    BaseMsgPtr delivered;
    if (hostBound) {
        const PostOfficeRcvFromHostMboxRspMsgPtr rsp(answer);
        retVal = rsp->GetRetVal();
        delivered = rsp->GetMsgPtr();
    } else {
        const PostOfficeRcvFromMboxRspMsgPtr rsp(answer);
        retVal = rsp->GetRetVal();
        delivered = rsp->GetMsgPtr();
    }
    if (retVal == 0) {
        const MessagePtr letter(delivered);
        if (letter.Ok()) {
            letter->SetLastErr(Message::OKAY);
            return letter;
        }
        fresh->SetLastErr(Message::NOKAY);
    } else if (retVal == 1) {
        fresh->SetLastErr(Message::NOSUCHMBOX);
    } else {
        fresh->SetLastErr(Message::SYNCHRCVFAILED);
    }
    return fresh;
}

Message::enMessageErr ProxyPostOffice::CreateMailBox(bStr mbox) {
    MXR_METHOD_FRAME("CreateMailBox", 1);
    static const Mapping map{PostOfficeCreateMailBoxRspMsg::ClassCode, RetValOf<PostOfficeCreateMailBoxRspMsg>,
                             Message::OKAY, Message::NOSUCHMBOX, Message::NOSUCHMBOX};
    return Call(BaseMsgPtr(new PostOfficeCreateMailBoxReqMsg(LocalPostOffice(), mbox)), map);
}

Message::enMessageErr ProxyPostOffice::RemoveMailBox(bStr mbox) {
    MXR_METHOD_FRAME("RemoveMailBox", 1);
    static const Mapping map{PostOfficeRemoveMailBoxRspMsg::ClassCode, RetValOf<PostOfficeRemoveMailBoxRspMsg>,
                             Message::OKAY, Message::NOSUCHMBOX, Message::NOSUCHMBOX};
    return Call(BaseMsgPtr(new PostOfficeRemoveMailBoxReqMsg(LocalPostOffice(), mbox)), map);
}

Message::enMessageErr ProxyPostOffice::SendToMbox(bStr host, bStr mbox, MessagePtr msg) {
    MXR_METHOD_FRAME("SendToMbox", 3);
    static const Mapping map{PostOfficeSendToMboxRspMsg::ClassCode, RetValOf<PostOfficeSendToMboxRspMsg>,
                             Message::OKAY, Message::SYNCHSENDFAILED, Message::SYNCHSENDFAILED};
    // An empty letter would sit in the mailbox as nothing at all.
    if (!msg.Ok()) return Message::SYNCHSENDFAILED;
    return Call(BaseMsgPtr(new PostOfficeSendToMboxReqMsg(PostOfficeOf(host), mbox, msg)), map);
}

Message::enMessageErr ProxyPostOffice::SendToMboxAsynch(bStr host, bStr mbox, MessagePtr msg) {
    MXR_METHOD_FRAME("SendToMboxAsynch", 3);
    if (!msg.Ok() || !PipeHeadPtr.Ok()) return Message::INTERNALERR;
    // No return address: the manager's error message for a request it
    // cannot deliver would otherwise be read as the next call's answer.
    const BaseMsgPtr req(new PostOfficeSendToMboxAsynchReqMsg(PostOfficeOf(host), mbox, msg));
    return PipeHeadPtr->SynchWriteOneWay(req) == 0 ? Message::OKAY : Message::INTERNALERR;
}

MessagePtr ProxyPostOffice::RcvFromMbox(bStr mbox, int wait) {
    MXR_METHOD_FRAME("RcvFromMbox", 2);
    return Receive(BaseMsgPtr(new PostOfficeRcvFromMboxReqMsg(LocalPostOffice(), mbox, wait)),
                   PostOfficeRcvFromMboxRspMsg::ClassCode, bStr(), mbox);
}

MessagePtr ProxyPostOffice::RcvFromHostMbox(bStr host, bStr mbox) {
    MXR_METHOD_FRAME("RcvFromHostMbox", 2);
    return Receive(
        BaseMsgPtr(new PostOfficeRcvFromHostMboxReqMsg(LocalPostOffice(), host, mbox)),
        PostOfficeRcvFromHostMboxRspMsg::ClassCode, host, mbox);
}

Message::enMessageErr ProxyPostOffice::IsMboxEmpty(bStr mbox) {
    MXR_METHOD_FRAME("IsMboxEmpty", 1);
    static const Mapping map{PostOfficeIsMboxEmptyRspMsg::ClassCode, RetValOf<PostOfficeIsMboxEmptyRspMsg>,
                             Message::OKAY, Message::NOKAY, Message::BADREQMSG};
    return Call(BaseMsgPtr(new PostOfficeIsMboxEmptyReqMsg(LocalPostOffice(), mbox)), map);
}

Message::enMessageErr ProxyPostOffice::CanTalk(bStr host, bStr mbox) {
    MXR_METHOD_FRAME("CanTalk", 2);
    static const Mapping map{PostOfficeCanTalkRspMsg::ClassCode, RetValOf<PostOfficeCanTalkRspMsg>, Message::OKAY,
                             Message::NOKAY, Message::BADREQMSG};
    return Call(BaseMsgPtr(new PostOfficeCanTalkReqMsg(PostOfficeOf(host), mbox)), map);
}

Message::enMessageErr ProxyPostOffice::IsHostAlive(bStr host) {
    MXR_METHOD_FRAME("IsHostAlive", 1);
    static const Mapping map{PostOfficeIsHostAliveRspMsg::ClassCode, RetValOf<PostOfficeIsHostAliveRspMsg>,
                             Message::OKAY, Message::NOKAY, Message::NOKAY};
    return Call(BaseMsgPtr(new PostOfficeIsHostAliveReqMsg(LocalPostOffice(), host)), map);
}
