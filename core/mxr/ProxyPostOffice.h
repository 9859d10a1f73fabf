// The post office of the local communication manager as a process without
// an event loop sees it: create and remove mailboxes, send a Message to a
// mailbox on any system, receive from a local mailbox, and ask whether a
// mailbox is empty, whether a mailbox on a system exists and whether a
// system can be reached. Each call writes one request over a blocking
// connection (SynchPipeHead) and, but for the one-way send, waits on the
// calling thread for its answer, which is mapped onto Message::enMessageErr.
//
// All proxies of a thread made with the default constructor share one
// connection, with the thread's administrator proxies (SharedManagerPipe.h):
// the thread's first proxy makes it, its last one closes it. A thread that
// ends while proxies of it are still alive closes the connection as it ends;
// those proxies then answer every call with INTERNALERR. A proxy belongs to
// the thread that made it.
//
// Answers: a call reads until it has the answer that belongs to it. Answers
// of another post-office call (another response class, or a receive answer
// for another mailbox or host) and pipe control messages are passed over;
// anything else (the manager's error message for a request it could not
// deliver, above all) is the call's answer "of the wrong class".
//
// Neither encoding carries a field: the binary form is the class code, the
// s-expression the class name alone. An object made from either has no
// connection (its calls fail with INTERNALERR).
#pragma once

#include "ClassPattern.h"
#include "Message.h"
#include "SynchPipeHead.h"
#include "bStr.h"

class ProxyPostOffice : public BaseVirtItem {
    MXR_LOCAL_CLASS(ProxyPostOffice, BaseVirtItem);
    MXR_FIELDS();

public:
    // Uses the thread's shared connection, making it first when the thread
    // has none: retries every 2 seconds without limit until the
    // manager's pipe accepts and answers.
    ProxyPostOffice();
    // Makes a connection of its own the same way (the argument is not used).
    explicit ProxyPostOffice(int own);
    // Uses a connection the caller made and initialized, as its own (null:
    // every call fails with INTERNALERR).
    explicit ProxyPostOffice(const SynchPipeHeadPtr& connection);
    // Releases the connection: its own is closed; the shared one is closed
    // when this is the thread's last proxy on it.
    ~ProxyPostOffice() override;
    ProxyPostOffice(const ProxyPostOffice&) = delete;
    ProxyPostOffice& operator=(const ProxyPostOffice&) = delete;

    // The connection the calls use (the thread's slots are not touched).
    SynchPipeHeadPtr GetPipeHeadPtr() const;
    void SetPipeHeadPtr(const SynchPipeHeadPtr& connection);
    int GetUsingSharedPipe() const;
    void SetUsingSharedPipe(int shared);

    // Requests to this host's post office unless a host is named.
    // OKAY; NOSUCHMBOX the mailbox exists (or the answer was refused).
    Message::enMessageErr CreateMailBox(bStr mbox);
    // OKAY; NOSUCHMBOX when refused.
    Message::enMessageErr RemoveMailBox(bStr mbox);
    // OKAY delivered or queued; SYNCHSENDFAILED not confirmed (no such
    // mailbox, the host cannot be reached, a null message).
    Message::enMessageErr SendToMbox(bStr host, bStr mbox, MessagePtr msg);
    // Nothing is read: OKAY when the request was written. It carries no
    // return address, so a request that cannot be delivered is not
    // answered onto this connection.
    Message::enMessageErr SendToMboxAsynch(bStr host, bStr mbox, MessagePtr msg);
    // Blocks until a message is there: that Message with LastErr OKAY; else
    // an empty Message with NOKAY (what came was not a Message), NOSUCHMBOX,
    // SYNCHRCVFAILED (an answer of another kind) or INTERNALERR.
    MessagePtr RcvFromMbox(bStr mbox, int wait);
    // The same, also answered (SYNCHRCVFAILED) once host cannot be reached.
    MessagePtr RcvFromHostMbox(bStr host, bStr mbox);
    // OKAY empty; NOKAY not empty or no such mailbox; BADREQMSG.
    Message::enMessageErr IsMboxEmpty(bStr mbox);
    // OKAY the mailbox exists on host (or mbox is empty); NOKAY; BADREQMSG.
    Message::enMessageErr CanTalk(bStr host, bStr mbox);
    // OKAY host can be reached from this host's manager; NOKAY otherwise.
    Message::enMessageErr IsHostAlive(bStr host);

private:
    // How one answer class maps onto the results.
    struct Mapping;
    Message::enMessageErr Call(const BaseMsgPtr& req, const Mapping& map);
    MessagePtr Receive(const BaseMsgPtr& req, int rspClass, const bStr& host, const bStr& mbox);
    // Writes req and reads its answer: 0 with *answer set, -1 the pipe write
    // or read failed. Answers that belong to other calls are passed over.
    int Exchange(const BaseMsgPtr& req, int rspClass, const bStr* host, const bStr* mbox, BaseMsgPtr* answer);
    static BaseAddrPtr PostOfficeOf(const bStr& host);
    // This host's post office, made once per host name rather than per call
    // while tracing is off (traced, made per call as the frames show).
    BaseAddrPtr LocalPostOffice();

    SynchPipeHeadPtr PipeHeadPtr;
    int UsingSharedPipe;
    BaseAddrPtr LocalPostOfficeAddr;
    const bStr* LocalPostOfficeHost = nullptr;  // the host name it was made for
};
MXR_COMPANION_PTR(ProxyPostOffice);
