// The common shape of a receiver's request handling: a request answered by a
// response that carries one operation's result as its retVal.
#pragma once

#include "BaseMsg.h"
#include "TypedPtr.h"

// For a msg known to be a Req: answers it with an Rsp (addressed back to the
// request's sender) whose retVal is op(request as TypedPtr<Req>). The answer
// is made before op runs and sent after it, so that whatever op sends goes
// out first.
template <class Req, class Rsp, class Op>
void AnswerRetVal(const BaseMsgPtr& msg, Op op) {
    const TypedPtr<Req> req(msg);
    Rsp* rsp = new Rsp(*req.GetPtr());
    BaseMsgPtr held(rsp);
    rsp->SetRetVal(op(req));
    held.Send();
}

// When msg is a Req: answers it as AnswerRetVal does and returns true.
template <class Req, class Rsp, class Op>
bool AnswerWithRetVal(const BaseMsgPtr& msg, Op op) {
    if (!msg->IsOfType(Req::ClassCode)) return false;
    AnswerRetVal<Req, Rsp>(msg, op);
    return true;
}
