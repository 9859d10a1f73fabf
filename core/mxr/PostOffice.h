// The post office of a host: named mailboxes kept by one receiver in the
// communication manager, reached as logical name MXRPOSTOFFICE (5). Clients
// of this host, and of other hosts through the paths between the managers,
// create and remove mailboxes, put messages in and take them out with the
// post office requests (PostOffice*ReqMsg). A receive on an empty mailbox
// waits there until a message arrives; a receive tied to a remote host is
// answered -1 instead when that host cannot be reached, at once or later
// (DispatchPendingRcvFromHost, called by the path administrator).
//
// Delivery rules that keep messages from being lost:
//   - a message is handed only to a requester that can still be reached
//     (its address resolves here to a receiver other than the post office,
//     and its host is alive): a waiting receive whose client has gone is
//     discarded when a message arrives, and the message goes to the next
//     waiting receive, or into the mailbox;
//   - a receive from a requester that cannot be reached takes no message and
//     does not wait;
//   - removing a mailbox answers its waiting receives with 1 (no such
//     mailbox);
//   - once the manager stops (EndWaits), no receive waits: each is answered
//     -1, as one whose host went.
//
// Single-threaded: everything runs on the manager's event-loop thread.
// Binary form: class code and the receiver part; s-expression (PostOffice).
#pragma once

#include <string>
#include <unordered_map>

#include "BaseMsgRcvr.h"
#include "HostLiveness.h"
#include "LogicalAddrEnt.h"
#include "MailBox.h"
#include "MsgClassBranches.h"

class PostOffice : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(PostOffice, BaseMsgRcvr);
    MXR_FIELDS();

public:
    // Registers the post office as logical name 5 for its life; reachability
    // of hosts is answered by ThisHostLiveness until SetHostLiveness.
    PostOffice();
    ~PostOffice() override;
    PostOffice(const PostOffice&) = delete;
    PostOffice& operator=(const PostOffice&) = delete;

    // 0 created; 1 a mailbox of that name exists (left as it is).
    int CreateMailBox(bStr name);
    // 0 always. Queued messages are discarded; waiting receives are answered
    // with 1.
    int RemoveMailBox(bStr name);
    // 0 handed to the oldest waiting receive that can be reached, or queued;
    // 1 no such mailbox (the message is dropped).
    int SendToMbox(bStr name, BaseMsgPtr msg);
    int SendToMboxAsynch(bStr name, BaseMsgPtr msg);
    // Answer the receive request being dispatched (GetCurrentMsg): 1 no such
    // mailbox, 2 the message being dispatched is not such a request (nothing
    // answered), else 0. waitTime is not used: a waiting receive has no limit.
    int RcvFromMbox(bStr name, int waitTime);
    int RcvFromHostMbox(bStr host, bStr name);
    // 0 the host can be reached; 1 it cannot.
    int IsHostAlive(bStr host);
    // -1 no such mailbox; 0 no message waiting; 1 messages waiting.
    int IsMboxEmpty(bStr name);
    // 0 the name is empty or a mailbox of that name exists; 1 otherwise.
    int CanTalk(bStr name);
    // Answers the listing request being dispatched; 0 always.
    int DisplayMailBoxLst();
    // Answers every waiting host-bound receive for host, in every mailbox,
    // with -1; other waiting receives keep their places.
    void DispatchPendingRcvFromHost(bStr host);
    // The manager stops: every waiting receive is answered -1, and from now
    // on a receive that finds no message is answered so at once instead of
    // waiting. Messages and mailboxes stay as they are.
    void EndWaits();

    // The ten post office requests; anything else is not processed here.
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;

    // The mailboxes, in order of creation.
    MailBoxLst& GetMailBoxLst();
    LogicalAddrEntPtr GetLogical_po_entry() const;
    void SetLogical_po_entry(LogicalAddrEntPtr entry);
    // Who answers IsHostAlive (not owned; null restores ThisHostLiveness).
    HostLiveness* GetHostLiveness() const;
    void SetHostLiveness(HostLiveness* liveness);

private:
    MailBoxPtr FindMailBox(const bStr& name);
    // 1 when an answer to req can still reach its sender.
    int CanReachRequester(const BaseMsgPtr& req);
    // What both receives do with their request once it is known to be one:
    // caller names the receive in the reports; a receive bound to host
    // (non-null) waits only while that host can be reached.
    int Receive(const BaseMsgPtr& req, const char* caller, const bStr& name, const bStr* host);
    // Sends the answer to a waiting receive of either kind.
    void AnswerReceive(const BaseMsgPtr& req, int retVal, const BaseMsgPtr& msg);

    // The mailboxes in order of creation (the listing's order), and beside
    // them an index by name (pointers: the list holds the references).
    MailBoxLst MailBoxes;
    std::unordered_map<std::string, MailBox*> MailBoxIndex;
    LogicalAddrEntPtr Logical_po_entry;
    HostLiveness* Liveness;
    // Set by EndWaits: no receive waits any more.
    bool Stopping = false;
    // The request classes MsgHdlr takes, in the order it tests them.
    MsgClassBranches Branches;
};
MXR_COMPANION_PTR(PostOffice);
