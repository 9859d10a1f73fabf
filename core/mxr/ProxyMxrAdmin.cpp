#include "ProxyMxrAdmin.h"

#include "BasePipeMsg.h"
#include "ClassDefine.h"
#include "LocalForms.h"
#include "LogicalAddr.h"
#include "MxrAdminCreateCommPathReqMsg.h"
#include "MxrAdminDeleteCommPathReqMsg.h"
#include "SharedManagerPipe.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(ProxyMxrAdmin);
MXR_LOCAL_FORMS(ProxyMxrAdmin, BaseVirtItem);

namespace {

BaseAddrPtr ThisAdministrator() {
    return BaseAddrPtr(new LogicalAddr(BaseAddr::GetCurrentHost(), LogicalAddr::MXRADMIN));
}

}  // namespace

ProxyMxrAdmin::ProxyMxrAdmin() : UsingSharedPipe(1) {
    MXR_METHOD_FRAME("ProxyMxrAdmin", 0);
    PipeHeadPtr = SharedManagerPipe::Acquire();
}

// A connection of its own, closed with the proxy (a pipe nobody frees would
// outlive every call made on it).
ProxyMxrAdmin::ProxyMxrAdmin(int own) : PipeHeadPtr(SharedManagerPipe::Connect()), UsingSharedPipe(0) {
    MXR_METHOD_FRAME("ProxyMxrAdmin", 1);
    static_cast<void>(own);
}

ProxyMxrAdmin::ProxyMxrAdmin(const SynchPipeHeadPtr& connection) : PipeHeadPtr(connection), UsingSharedPipe(0) {
    MXR_METHOD_FRAME("ProxyMxrAdmin", 1);
}

ProxyMxrAdmin::~ProxyMxrAdmin() {
    MXR_METHOD_FRAME("~ProxyMxrAdmin", 0);
    if (UsingSharedPipe == 1) SharedManagerPipe::Release(PipeHeadPtr.GetPtr(), "ProxyMxrAdmin");
    PipeHeadPtr = SynchPipeHeadPtr();
}

SynchPipeHeadPtr ProxyMxrAdmin::GetPipeHeadPtr() const {
    MXR_METHOD_FRAME("GetPipeHeadPtr", 0);
    return PipeHeadPtr;
}

void ProxyMxrAdmin::SetPipeHeadPtr(const SynchPipeHeadPtr& connection) {
    MXR_METHOD_FRAME("SetPipeHeadPtr", 1);
    PipeHeadPtr = connection;
}

int ProxyMxrAdmin::GetUsingSharedPipe() const {
    MXR_METHOD_FRAME("GetUsingSharedPipe", 0);
    return UsingSharedPipe;
}

void ProxyMxrAdmin::SetUsingSharedPipe(int shared) {
    MXR_METHOD_FRAME("SetUsingSharedPipe", 1);
    UsingSharedPipe = shared;
}

int ProxyMxrAdmin::Call(const BaseMsgPtr& req, int rspClass) {
    MXR_METHOD_FRAME("Call", 2);
    if (!PipeHeadPtr.Ok()) return -1;
    if (PipeHeadPtr->SynchWrite(req) != 0) return -1;
    for (;;) {
        BaseMsgPtr answer;
        if (PipeHeadPtr->SynchRead(answer) != 0) return -1;
        if (answer->IsOfType(BasePipeMsg::ClassCode)) continue;
        if (!answer->IsOfType(rspClass)) return -1;
        // The answer of the call: the one class asked for.
        if (const MxrAdminCreateCommPathRspMsgPtr r(answer); r.Ok()) return r->GetRetVal();
        return MxrAdminDeleteCommPathRspMsgPtr(answer)->GetRetVal();
    }
}

int ProxyMxrAdmin::CreateCommPath(const bStr& remoteHostName, const bStr& localAlias, const bStr& remoteAlias,
                                  const CommAgentEnt::CommAgentType& commAgentType, const bStr& devPathName,
                                  const int& priority, const int& hbInterval, const int& hbMaxMiss, const int& baudRate,
                                  const BaseMsgPtr& initMsg) {
    MXR_METHOD_FRAME("CreateCommPath", 10);
    return Call(BaseMsgPtr(new MxrAdminCreateCommPathReqMsg(ThisAdministrator(), remoteHostName, localAlias,
                                                            remoteAlias, commAgentType, devPathName, priority,
                                                            hbInterval, hbMaxMiss, baudRate, initMsg)),
                MxrAdminCreateCommPathRspMsg::ClassCode);
}

int ProxyMxrAdmin::DeleteCommPath(bStr remoteHostName, bStr localAlias, bStr remoteAlias,
                                  CommAgentEnt::CommAgentType commAgentType, bStr devPathName) {
    MXR_METHOD_FRAME("DeleteCommPath", 5);
    return Call(BaseMsgPtr(new MxrAdminDeleteCommPathReqMsg(ThisAdministrator(), remoteHostName, localAlias,
                                                            remoteAlias, commAgentType, devPathName)),
                MxrAdminDeleteCommPathRspMsg::ClassCode);
}
