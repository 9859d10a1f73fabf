// The message that applications put into mailboxes: a text whose format
// belongs to the sender, and the system and mailbox an answer is to go to.
// The post office stores and delivers it like any other message; the post
// office proxy returns it from its receive calls with the outcome of the
// call in LastErr. enMessageErr is also the result of every proxy call.
//
// Not a request: it has no from-address of its own.
#pragma once

#include "BaseMsg.h"
#include "EnumPattern.h"
#include "MessageDeclare.h"
#include "bStr.h"

class Message : public BaseMsg {
    MXR_CLASS(Message, BaseMsg);

public:
    // 4 bytes on the wire; shown by name in the s-expression form.
    enum enMessageErr : int {
        OKAY = 0,             // the call succeeded
        NOKAY = 1,            // a negative answer, or a received message that is not a Message
        NOSUCHMBOX = 2,       // no such mailbox, or creating/removing one was refused
        BADREQMSG = 3,        // an answer of the wrong class came back
        NOMESSAGE = 4,        // not produced by the proxies
        SYNCHSENDFAILED = 5,  // a synchronous send was not confirmed
        SYNCHRCVFAILED = 6,   // a receive was not answered with a message
        INTERNALERR = 7,      // the pipe write or read failed
    };
    MXR_ENUM(enMessageErr, GetEnMessageErrCvtPtr);
    friend int _serialize(BasePktCtrl& c, enMessageErr& v);

    MXR_DECLARED_FIELDS((bStr, ReplyToSys, "replyToSys", Get(GetReplyToSys), Set(SetReplyToSys)),
                        (bStr, ReplyToMbox, "replyToMbox", Get(GetReplyToMbox), Set(SetReplyToMbox)),
                        (bStr, DataStr, "dataStr", Get(GetDataStr), Set(SetDataStr)),
                        (enMessageErr, LastErr, "lastErr", Get(GetLastErr), Set(SetLastErr)));

    // Empty strings, LastErr OKAY.
    Message();
    // DataStr := text (null reads as empty); the rest as above.
    explicit Message(const char* text);
    ~Message() override;
};
MXR_COMPANION_PTR(Message);
