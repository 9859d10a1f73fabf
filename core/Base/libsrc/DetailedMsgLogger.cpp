#include "DetailedMsgLogger.h"

#include <ostream>

#include "ClassDefine.h"
#include "IoItem.h"
#include "IoNull.h"

// The stream is never carried: the binary form is the receiver part, the
// text form the class name alone, and reading sets nothing.
MXR_LOCAL_CLASS_DEFINE_CUSTOM(DetailedMsgLogger);

int _serialize(BasePktCtrl& c, DetailedMsgLogger& v) {
    MXR_FRAME("DetailedMsgLogger", "_serialize", 2, "DetailedMsgLogger.c");
    return _serialize(c, static_cast<BaseMsgRcvr&>(v));
}

IoItemPtr GetIoItemFrom(const DetailedMsgLogger& v) {
    MXR_FRAME("DetailedMsgLogger", "GetIoItemFrom", 1, "DetailedMsgLogger.c");
    static_cast<void>(v);
    return IoNull::GetGlobalIoNullPtr();
}

int SetFromIoItem(const IoItemPtr& i, DetailedMsgLogger& v) {
    MXR_FRAME("DetailedMsgLogger", "SetFromIoItem", 2, "DetailedMsgLogger.c");
    static_cast<void>(i);
    static_cast<void>(v);
    return 0;
}

DetailedMsgLogger::DetailedMsgLogger() : OutputAdr(nullptr) { MXR_METHOD_FRAME("DetailedMsgLogger", 0); }

DetailedMsgLogger::~DetailedMsgLogger() { MXR_METHOD_FRAME("~DetailedMsgLogger", 0); }

std::ostream* DetailedMsgLogger::GetOutputAdr() const {
    MXR_METHOD_FRAME("GetOutputAdr", 0);
    return OutputAdr;
}

void DetailedMsgLogger::SetOutputAdr(std::ostream* os) {
    MXR_METHOD_FRAME("SetOutputAdr", 1);
    OutputAdr = os;
}

BaseMsgRcvr::enMsgResult DetailedMsgLogger::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    return BaseMsgRcvr::MsgHdlr(msg, ctrl);
}

BaseMsgRcvr::enMsgResult DetailedMsgLogger::DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("DfltMsgHdlr", 2);
    static_cast<void>(ctrl);
    if (OutputAdr == nullptr) return PROCESSED;
    // Whatever object arrived is printed as it is (a peer's message of a
    // class this program lacks prints the tree it came with).
    const BasePtr& obj = msg;
    if (!obj.Ok()) return PROCESSED;
    IoItemPtr tree = obj->GetIoItemFrom();
    if (tree.Ok()) tree->Display(*OutputAdr);
    *OutputAdr << std::endl;
    return PROCESSED;
}
