#include "BaseMsgPtr.h"

#include <climits>
#include <cstdint>
#include <utility>

#include "BasePktCtrl.h"
#include "BaseWorld.h"
#include "FuncInfo.h"
#include "IoCons.h"
#include "IoObjectCvt.h"
#include "MxrAssert.h"
#include "RegisterClass.h"
#include "SpclSerialInt.h"

#define MSGPTR_FRAME(func, parms) MXR_FRAME("BaseMsgPtr", func, parms, "BaseMsg.c")

int BaseMsgPtr::Send() const {
    MSGPTR_FRAME("Send", 0);
    MXR_ASSERT(Ok(), "Ok()", "BaseMsg");
    BaseWorld* worldPtr = BaseWorld::GetWorldPtr();
    MXR_ASSERT(worldPtr != nullptr, "worldPtr != 0", "BaseMsg");
    // Another thread would race the loop on its message list: it posts to
    // the world's inbox instead (WorldInbox.h).
    MXR_ASSERT(worldPtr->IsLoopThread(), "worldPtr->IsLoopThread()", "BaseMsg");
    worldPtr->GetMsgList().Append(*this);
    return 0;
}

int BaseMsgPtr::Send(BasePktCtrlPtr& ctrl) const {
    MSGPTR_FRAME("Send", 1);
    static_cast<void>(ctrl);
    return Send();
}

BaseMsgPtr::BaseMsgPtr(BasePktCtrlPtr& ctrl) {
    MSGPTR_FRAME("BaseMsgPtr", 1);
    if (!ctrl.Ok()) return;
    BasePktCtrl& c = *ctrl.GetPtr();
    // The object reads its own code again: looked at in place, or read here
    // and gone back over.
    SpclSerialInt code;
    if (!c.PeekWireCount(&code.value)) {
        const int start = c.GetOffset();
        if (_serialize(c, code) != 0) return;
        c.SetOffset(start);
    }
    if (code.value > static_cast<std::uint32_t>(INT_MAX)) return;
    const int id = static_cast<int>(code.value);
    if (id == IoCons::ClassCode) {
        // An s-expression stands for the message it describes: the tree is
        // read, then the message it names is made under the same rule.
        IoConsPtr tree(new IoCons());
        if (tree->Serialize(c) != 0) return;
        BasePtr described;
        if (MxrSetPointerFromIoItem(IoItemPtr(tree), described, BaseMsg::ClassCode, MxrDecodePlace::TopOfMessage) != 0)
            return;
        BasePtr::operator=(std::move(described));
        return;
    }
    // Only a message class may stand here; anything else is refused before
    // its constructor runs.
    // (Tracing off, the registry answers in one call without frames.)
    const bool traced = FuncInfo::MayTrace();
    bool decodable = false;
    RegisterClass* rec =
        traced ? RegisterClass::GetDecodableEntry(id, BaseMsg::ClassCode, MxrDecodePlace::TopOfMessage)
               : RegisterClass::FindForDecoding(id, BaseMsg::ClassCode, MxrDecodePlace::TopOfMessage, &decodable);
    if (rec == nullptr || (!traced && !decodable)) return;
    // Dropped (and deleted) unless it reads itself completely.
    BasePtr obj = BasePtr::AdoptNew(traced ? rec->GetNewFuncPtr()() : rec->Factory()());
    if (obj.GetPtr() == nullptr || obj->Serialize(c) != 0) return;
    BasePtr::operator=(std::move(obj));  // the reference is handed over, not counted again
}
