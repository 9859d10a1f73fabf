// The common shape of a receiver's request handling: a request answered by a
// response that carries one operation's result as its retVal.
#pragma once

#include "BaseMsg.h"
#include "TypedPtr.h"

// When msg is a Req: answers it with an Rsp (addressed back to the request's
// sender) whose retVal is op(request as TypedPtr<Req>), and returns true. The
// answer is made before op runs and sent after it, so that whatever op sends
// goes out first.
template <class Req, class Rsp, class Op>
bool AnswerWithRetVal(const BaseMsgPtr& msg, Op op) {
    if (!msg->IsOfType(Req::ClassCode)) return false;
    const TypedPtr<Req> req(msg);
    Rsp* rsp = new Rsp(*req.GetPtr());
    BaseMsgPtr held(rsp);
    rsp->SetRetVal(op(req));
    held.Send();
    return true;
}
