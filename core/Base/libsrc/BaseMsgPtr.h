// BaseMsgPtr, the typed pointer of messages, with what only messages do:
// sending (queueing on the current world) and rebuilding a received message
// from its packets. Ok() holds for any object that is a BaseMsg.
#pragma once

#include "TypedLst.h"
#include "TypedLstIter.h"
#include "TypedPtr.h"

class BaseMsg;
class BasePktCtrl;
using BasePktCtrlPtr = TypedPtr<BasePktCtrl>;

class BaseMsgPtr : public TypedPtr<BaseMsg> {
public:
    using TypedPtr<BaseMsg>::TypedPtr;
    using TypedPtr<BaseMsg>::operator=;
    BaseMsgPtr() = default;
    // Rebuilds the message of a received stream, from its class code on:
    // the registered class reads itself. An s-expression (an IoCons tree)
    // stands for the message it names. Only message classes are made: a code
    // or name of any other class (a value, a local-only class) is refused
    // before anything is constructed. Empty when refused, when the code is
    // unknown, or when the object cannot read itself completely (it is then
    // deleted).
    explicit BaseMsgPtr(BasePktCtrlPtr& ctrl);

    // Appends the message at the tail of the current world's message list;
    // the world hands it to its receiver in a later turn. Always 0. The
    // pointer must hold a message, a world must exist and the caller must be
    // its loop's thread (assertions); other threads post to the world's
    // inbox (WorldInbox.h).
    int Send() const;
    // The same; the packet controller is not used.
    int Send(BasePktCtrlPtr& ctrl) const;
};

using BaseMsgLst = TypedLst<BaseMsg>;
using BaseMsgLstIter = TypedLstIter<BaseMsg>;

#include "BaseMsg.h"
