#include "PostOffice.h"

#include <iostream>
#include <string>

#include "AnswerWithRetVal.h"
#include "BaseAddr.h"
#include "ClassDefine.h"
#include "LocalForms.h"
#include "Message.h"
#include "MxrAssert.h"
#include "PostOfficeCanTalkReqMsg.h"
#include "PostOfficeCreateMailBoxReqMsg.h"
#include "PostOfficeDisplayMailBoxLstRspMsg.h"
#include "PostOfficeIsHostAliveReqMsg.h"
#include "PostOfficeIsMboxEmptyReqMsg.h"
#include "PostOfficeRcvFromHostMboxRspMsg.h"
#include "PostOfficeRcvFromMboxRspMsg.h"
#include "PostOfficeRemoveMailBoxReqMsg.h"
#include "PostOfficeSendToMboxAsynchReqMsg.h"
#include "PostOfficeSendToMboxReqMsg.h"
#include "ThisHostLiveness.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(PostOffice);

MXR_LOCAL_FORMS(PostOffice, BaseMsgRcvr);

namespace {

void Report(const std::string& line) { std::cerr << line << '\n' << std::flush; }

// A name from a peer, fit for a one-line report.
std::string Printable(const bStr& text) {
    std::string s = text.StrVal();
    for (char& ch : s)
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7F) ch = '?';
    return "\"" + s + "\"";
}

// host/pid/tid of an address, for the reports.
std::string Describe(const BaseAddrPtr& addr) {
    if (!addr.Ok()) return "(none)";
    return Printable(addr->GetHost()) + " " + std::to_string(addr->GetPid()) + " " + std::to_string(addr->GetTid());
}

// Answers a receive request of class Req with an Rsp carrying msg.
template <class Rsp, class Req>
void SendReceiveAnswer(const TypedPtr<Req>& req, int retVal, const BaseMsgPtr& msg) {
    Rsp* rsp = new Rsp(*req.GetPtr());
    rsp->SetMsgPtr(msg);
    rsp->SetRetVal(retVal);
    BaseMsgPtr(rsp).Send();
}

}  // namespace

PostOffice::PostOffice()
    : Liveness(&ThisHostLiveness::Instance()),
      Branches{PostOfficeCreateMailBoxReqMsg::ClassCode,     PostOfficeRemoveMailBoxReqMsg::ClassCode,
               PostOfficeSendToMboxReqMsg::ClassCode,        PostOfficeSendToMboxAsynchReqMsg::ClassCode,
               PostOfficeRcvFromMboxReqMsg::ClassCode,       PostOfficeRcvFromHostMboxReqMsg::ClassCode,
               PostOfficeIsHostAliveReqMsg::ClassCode,       PostOfficeIsMboxEmptyReqMsg::ClassCode,
               PostOfficeCanTalkReqMsg::ClassCode,           PostOfficeDisplayMailBoxLstReqMsg::ClassCode} {
    MXR_METHOD_FRAME("PostOffice", 0);
    Logical_po_entry = new LogicalAddrEnt(LogicalAddr::MXRPOSTOFFICE, GetAddrPtr());
}

PostOffice::~PostOffice() { MXR_METHOD_FRAME("~PostOffice", 0); }

MailBoxLst& PostOffice::GetMailBoxLst() {
    MXR_METHOD_FRAME("GetMailBoxLst", 0);
    return MailBoxes;
}

LogicalAddrEntPtr PostOffice::GetLogical_po_entry() const {
    MXR_METHOD_FRAME("GetLogical_po_entry", 0);
    return Logical_po_entry;
}

void PostOffice::SetLogical_po_entry(LogicalAddrEntPtr entry) {
    MXR_METHOD_FRAME("SetLogical_po_entry", 1);
    Logical_po_entry = entry;
}

HostLiveness* PostOffice::GetHostLiveness() const {
    MXR_METHOD_FRAME("GetHostLiveness", 0);
    return Liveness;
}

void PostOffice::SetHostLiveness(HostLiveness* liveness) {
    MXR_METHOD_FRAME("SetHostLiveness", 1);
    Liveness = liveness != nullptr ? liveness : &ThisHostLiveness::Instance();
}

namespace {
std::string IndexKey(const bStr& name) { return std::string(name.StrVal(), static_cast<std::size_t>(name.StrLen())); }
}  // namespace

MailBoxPtr PostOffice::FindMailBox(const bStr& name) {
    MXR_METHOD_FRAME("FindMailBox", 1);
    const auto it = MailBoxIndex.find(IndexKey(name));
    return it == MailBoxIndex.end() ? MailBoxPtr() : MailBoxPtr(it->second);
}

int PostOffice::CanReachRequester(const BaseMsgPtr& req) {
    MXR_METHOD_FRAME("CanReachRequester", 1);
    const BaseAddrPtr from = req->GetFrmAddr();
    if (!from.Ok()) return 0;
    // The route (or receiver) the answer will take; an answer addressed back
    // to the post office would be dropped as not processed.
    BaseMsgRcvr* via = from->GetMsgRcvrAddr();
    if (via == nullptr || via == this) return 0;
    const bStr host = from->GetHost();
    if (host.StrLen() > 0 && IsHostAlive(host) != 0) return 0;
    return 1;
}

void PostOffice::AnswerReceive(const BaseMsgPtr& req, int retVal, const BaseMsgPtr& msg) {
    MXR_METHOD_FRAME("AnswerReceive", 3);
    PostOfficeRcvFromMboxReqMsgPtr plain(req);
    if (plain.Ok()) {
        SendReceiveAnswer<PostOfficeRcvFromMboxRspMsg>(plain, retVal, msg);
        return;
    }
    PostOfficeRcvFromHostMboxReqMsgPtr tmpPtr(req);
    MXR_ASSERT(tmpPtr.Ok(), "tmpPtr->IsOfType(PostOfficeRcvFromHostMboxReqMsg::ClassCode)", "PostOffice");
    SendReceiveAnswer<PostOfficeRcvFromHostMboxRspMsg>(tmpPtr, retVal, msg);
}

int PostOffice::CreateMailBox(bStr name) {
    MXR_METHOD_FRAME("CreateMailBox", 1);
    if (FindMailBox(name).GetPtr() != nullptr) return 1;
    MailBoxPtr box(new MailBox());
    box->SetMboxName(name);
    MailBoxes.Append(box);
    MailBoxIndex.emplace(IndexKey(name), box.GetPtr());
    return 0;
}

int PostOffice::RemoveMailBox(bStr name) {
    MXR_METHOD_FRAME("RemoveMailBox", 1);
    MailBoxPtr box = FindMailBox(name);
    if (box.GetPtr() == nullptr) return 0;
    MailBoxIndex.erase(IndexKey(name));
    MailBoxes.RemoveItem(box);
    BasePtr item;
    while (box->GetMsgList().Remove(item)) Report("PostOffice::RemoveMailBox() discarding messages");
    // A client blocked in a receive would otherwise wait for ever.
    while (box->GetReqList().Remove(item)) {
        Report("PostOffice::RemoveMailBox() discarding requests");
        AnswerReceive(BaseMsgPtr(item), 1, BaseMsgPtr());
    }
    return 0;
}

int PostOffice::SendToMbox(bStr name, BaseMsgPtr msg) {
    MXR_METHOD_FRAME("SendToMbox", 2);
    MailBoxPtr box = FindMailBox(name);
    if (box.GetPtr() == nullptr) return 1;
    BasePtr item;
    while (box->GetReqList().Remove(item)) {
        const BaseMsgPtr req(item);
        if (CanReachRequester(req)) {
            AnswerReceive(req, 0, msg);
            return 0;
        }
        // Its client has gone: the message goes to the next one instead.
        Report("PostOffice::SendToMbox() discarding request of unreachable client " + Describe(req->GetFrmAddr()) +
               " in mailbox " + Printable(name));
    }
    box->GetMsgList().Append(msg);
    return 0;
}

int PostOffice::SendToMboxAsynch(bStr name, BaseMsgPtr msg) {
    MXR_METHOD_FRAME("SendToMboxAsynch", 2);
    return SendToMbox(name, msg);
}

int PostOffice::RcvFromMbox(bStr name, int waitTime) {
    MXR_METHOD_FRAME("RcvFromMbox", 2);
    static_cast<void>(waitTime);
    const PostOfficeRcvFromMboxReqMsgPtr req(GetCurrentMsg());
    if (!req.Ok()) {
        Report("PostOffice::RcvFromMbox() - Bad request message");
        return 2;
    }
    return Receive(req, "RcvFromMbox", name, nullptr);
}

int PostOffice::RcvFromHostMbox(bStr host, bStr name) {
    MXR_METHOD_FRAME("RcvFromHostMbox", 2);
    const PostOfficeRcvFromHostMboxReqMsgPtr req(GetCurrentMsg());
    if (!req.Ok()) {
        Report("PostOffice::RcvFromHostMbox() - Bad request message");
        return 2;
    }
    return Receive(req, "RcvFromHostMbox", name, &host);
}

int PostOffice::Receive(const BaseMsgPtr& req, const char* caller, const bStr& name, const bStr* host) {
    MXR_METHOD_FRAME("Receive", 4);
    MailBoxPtr box = FindMailBox(name);
    if (box.GetPtr() == nullptr) {
        AnswerReceive(req, 1, BaseMsgPtr());
        return 1;
    }
    if (!CanReachRequester(req)) {
        Report(std::string("PostOffice::") + caller + "() discarding request of unreachable client " +
               Describe(req->GetFrmAddr()) + " in mailbox " + Printable(name));
        return 0;
    }
    BasePtr head;
    if (box->GetMsgList().Remove(head))
        AnswerReceive(req, 0, BaseMsgPtr(head));
    else if (!Stopping && (host == nullptr || IsHostAlive(*host) == 0))
        box->GetReqList().Append(req);
    else
        AnswerReceive(req, -1, BaseMsgPtr());
    return 0;
}

int PostOffice::IsHostAlive(bStr host) {
    MXR_METHOD_FRAME("IsHostAlive", 1);
    return Liveness->IsHostAlive(host) != 0 ? 0 : 1;
}

int PostOffice::IsMboxEmpty(bStr name) {
    MXR_METHOD_FRAME("IsMboxEmpty", 1);
    MailBoxPtr box = FindMailBox(name);
    if (box.GetPtr() == nullptr) return -1;
    return box->IsEmpty() ? 0 : 1;
}

int PostOffice::CanTalk(bStr name) {
    MXR_METHOD_FRAME("CanTalk", 1);
    if (name.StrLen() == 0) return 0;
    return FindMailBox(name).GetPtr() != nullptr ? 0 : 1;
}

int PostOffice::DisplayMailBoxLst() {
    MXR_METHOD_FRAME("DisplayMailBoxLst", 0);
    const PostOfficeDisplayMailBoxLstReqMsgPtr req(GetCurrentMsg());
    if (!req.Ok()) {
        Report("PostOffice::DisplayMailBoxLst() - Bad request message");
        return 0;
    }
    std::string text = "There are " + std::to_string(MailBoxes.GetItemCnt()) + " mailboxe(s)\n";
    MailBoxLstIter it(MailBoxes);
    for (MailBoxPtr box = it.First(); box.GetPtr() != nullptr; box = it.Next()) {
        text += box->GetMboxName().StrVal();
        text += ": " + std::to_string(box->GetMsgList().GetItemCnt()) + " msg(s), " +
                std::to_string(box->GetReqList().GetItemCnt()) + " req(s)\n";
    }
    MessagePtr listing(new Message());
    listing->SetDataStr(bStr(text.c_str()));
    PostOfficeDisplayMailBoxLstRspMsg* rsp = new PostOfficeDisplayMailBoxLstRspMsg(*req.GetPtr());
    BaseMsgPtr held(rsp);
    rsp->SetMsgPtr(listing);
    rsp->SetRetVal(0);
    held.Send();
    return 0;
}

void PostOffice::EndWaits() {
    MXR_METHOD_FRAME("EndWaits", 0);
    Stopping = true;
    MailBoxLstIter boxes(MailBoxes);
    for (MailBoxPtr box = boxes.First(); box.GetPtr() != nullptr; box = boxes.Next()) {
        BasePtr item;
        while (box->GetReqList().Remove(item)) AnswerReceive(BaseMsgPtr(item), -1, BaseMsgPtr());
    }
}

void PostOffice::DispatchPendingRcvFromHost(bStr host) {
    MXR_METHOD_FRAME("DispatchPendingRcvFromHost", 1);
    MailBoxLstIter boxes(MailBoxes);
    for (MailBoxPtr box = boxes.First(); box.GetPtr() != nullptr; box = boxes.Next()) {
        BaseMsgLstIter it(box->GetReqList());
        BaseMsgPtr req = it.First();
        while (req.GetPtr() != nullptr) {
            const PostOfficeRcvFromHostMboxReqMsgPtr hostReq(req);
            if (hostReq.Ok() && hostReq->GetHost() == host) {
                AnswerReceive(req, -1, BaseMsgPtr());
                it.DeleteCurrentItem();
                req = it.GetCurrent();
            } else {
                req = it.Next();
            }
        }
    }
}

BaseMsgRcvr::enMsgResult PostOffice::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    // The requests in the order they are tested: the first whose class the
    // message is of takes it.
    enum Branch {
        CREATE, REMOVE, SEND, SEND_ASYNCH, RCV, RCV_HOST, HOST_ALIVE, IS_EMPTY, CAN_TALK, DISPLAY
    };
    switch (Branches.Find(msg)) {
    case CREATE:
        AnswerRetVal<PostOfficeCreateMailBoxReqMsg, PostOfficeCreateMailBoxRspMsg>(
            msg, [this](const auto& req) { return CreateMailBox(req->GetMBoxName()); });
        return PROCESSED;
    case REMOVE:
        // The answers to the mailbox's waiting receives go out before the
        // answer to the remover.
        AnswerRetVal<PostOfficeRemoveMailBoxReqMsg, PostOfficeRemoveMailBoxRspMsg>(
            msg, [this](const auto& req) { return RemoveMailBox(req->GetMBoxName()); });
        return PROCESSED;
    case SEND:
        // The answer to a waiting receiver is queued before the sender's.
        AnswerRetVal<PostOfficeSendToMboxReqMsg, PostOfficeSendToMboxRspMsg>(
            msg, [this](const auto& req) { return SendToMbox(req->GetMBoxName(), req->GetMsg()); });
        return PROCESSED;
    case SEND_ASYNCH: {
        const PostOfficeSendToMboxAsynchReqMsgPtr req(msg);
        SendToMboxAsynch(req->GetMBoxName(), req->GetMsg());
        return PROCESSED;
    }
    case RCV: {
        const PostOfficeRcvFromMboxReqMsgPtr req(msg);
        RcvFromMbox(req->GetMBoxName(), req->GetWaitTimer());
        return PROCESSED;
    }
    case RCV_HOST: {
        const PostOfficeRcvFromHostMboxReqMsgPtr req(msg);
        RcvFromHostMbox(req->GetHost(), req->GetMBoxName());
        return PROCESSED;
    }
    case HOST_ALIVE:
        AnswerRetVal<PostOfficeIsHostAliveReqMsg, PostOfficeIsHostAliveRspMsg>(
            msg, [this](const auto& req) { return IsHostAlive(req->GetHostName()); });
        return PROCESSED;
    case IS_EMPTY:
        AnswerRetVal<PostOfficeIsMboxEmptyReqMsg, PostOfficeIsMboxEmptyRspMsg>(
            msg, [this](const auto& req) { return IsMboxEmpty(req->GetMBoxName()); });
        return PROCESSED;
    case CAN_TALK:
        AnswerRetVal<PostOfficeCanTalkReqMsg, PostOfficeCanTalkRspMsg>(
            msg, [this](const auto& req) { return CanTalk(req->GetMBoxName()); });
        return PROCESSED;
    case DISPLAY:
        DisplayMailBoxLst();
        return PROCESSED;
    default:
        return BaseMsgRcvr::MsgHdlr(msg, ctrl);
    }
}
