#include "RemoteHostEnt.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE_CUSTOM(RemoteHostEnt, 107);

// The receiver part travels; the s-expression shows the class name alone
// and reads nothing.
int _serialize(BasePktCtrl& c, RemoteHostEnt& v) {
    MXR_FRAME_OF_(RemoteHostEnt, "_serialize", 2);
    return _serialize(c, static_cast<BaseMsgRcvr&>(v));
}

IoItemPtr GetIoItemFrom(const RemoteHostEnt& v) {
    MXR_FRAME_OF_(RemoteHostEnt, "GetIoItemFrom", 1);
    return GetIoItemFrom(static_cast<const BaseVirtItem&>(v));
}

int SetFromIoItem(const IoItemPtr& i, RemoteHostEnt& v) {
    MXR_FRAME_OF_(RemoteHostEnt, "SetFromIoItem", 2);
    static_cast<void>(i);
    static_cast<void>(v);
    return 0;
}

RemoteHostEnt::RemoteHostEnt() { MXR_METHOD_FRAME("RemoteHostEnt", 0); }

RemoteHostEnt::RemoteHostEnt(const bStr& host_) : host(host_) { MXR_METHOD_FRAME("RemoteHostEnt", 1); }

RemoteHostEnt::~RemoteHostEnt() { MXR_METHOD_FRAME("~RemoteHostEnt", 0); }

bStr RemoteHostEnt::GetHost() const {
    MXR_METHOD_FRAME("GetHost", 0);
    return host;
}

void RemoteHostEnt::SetHost(bStr value) {
    MXR_METHOD_FRAME("SetHost", 1);
    host = value;
}

DestHostEntLst& RemoteHostEnt::GetCommPathLst() {
    MXR_METHOD_FRAME("GetCommPathLst", 0);
    return commPathLst;
}

BaseAddrEntLst& RemoteHostEnt::GetRemoteAddrEntLst() {
    MXR_METHOD_FRAME("GetRemoteAddrEntLst", 0);
    return remoteAddrEntLst;
}

int RemoteHostEnt::AddPath(DestHostEntPtr path) {
    MXR_METHOD_FRAME("AddPath", 1);
    commPathLst.Append(path);
    return 0;
}

BaseMsgRcvr::enMsgResult RemoteHostEnt::MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) {
    MXR_METHOD_FRAME("MsgHdlr", 2);
    return BaseMsgRcvr::MsgHdlr(msg, ctrl);
}
