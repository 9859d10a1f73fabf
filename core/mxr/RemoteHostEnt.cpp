#include "RemoteHostEnt.h"

#include "ClassDefine.h"
#include "LocalForms.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(RemoteHostEnt);

MXR_LOCAL_FORMS(RemoteHostEnt, BaseMsgRcvr);

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
