#include "BaseMsgPtr.h"

#include "BaseWorld.h"
#include "FuncInfo.h"
#include "MxrAssert.h"

#define MSGPTR_FRAME(func, parms) MXR_FRAME("BaseMsgPtr", func, parms, "BaseMsg.c")

int BaseMsgPtr::Send() const {
    MSGPTR_FRAME("Send", 0);
    MXR_ASSERT(Ok(), "Ok()", "BaseMsg");
    BaseWorld* worldPtr = BaseWorld::GetWorldPtr();
    MXR_ASSERT(worldPtr != nullptr, "worldPtr != 0", "BaseMsg");
    worldPtr->GetMsgList().Append(*this);
    return 0;
}

int BaseMsgPtr::Send(BasePktCtrlPtr& ctrl) const {
    MSGPTR_FRAME("Send", 1);
    static_cast<void>(ctrl);
    return Send();
}
