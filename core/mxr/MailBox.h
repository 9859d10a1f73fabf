// One named mailbox of the post office: the messages waiting to be received
// and the receive requests waiting for a message, each oldest first.
//
// Invariant: at most one of the two lists is non-empty (a message is queued
// only while no request waits, a request waits only while no message is
// queued). Neither list has a bound; messages are held by reference, as they
// came in the send request, and may be objects of classes this process does
// not know (kept as raw bytes), since the post office never looks inside.
//
// A mailbox never leaves the manager: its binary form is its class code
// alone, its s-expression (MailBox).
#pragma once

#include "BaseMsgPtr.h"
#include "ClassPattern.h"
#include "bStr.h"

class MailBox : public BaseVirtItem {
    MXR_LOCAL_CLASS(MailBox, BaseVirtItem);
    MXR_FIELDS();

public:
    // A name without text and two empty lists.
    MailBox();
    ~MailBox() override;

    bStr GetMboxName() const;
    void SetMboxName(bStr name);
    // The lists themselves.
    BaseMsgLst& GetMsgList();
    BaseMsgLst& GetReqList();
    // 1 when no message is queued (waiting requests do not count), else 0.
    int IsEmpty() const;

private:
    bStr MboxName;
    BaseMsgLst MsgList;
    BaseMsgLst ReqList;
};
MXR_COMPANIONS(MailBox);
