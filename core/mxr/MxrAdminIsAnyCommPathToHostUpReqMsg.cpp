#include "MxrAdminIsAnyCommPathToHostUpReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminIsAnyCommPathToHostUpReqMsg, 74);

MxrAdminIsAnyCommPathToHostUpReqMsg::MxrAdminIsAnyCommPathToHostUpReqMsg() {
    MXR_METHOD_FRAME("MxrAdminIsAnyCommPathToHostUpReqMsg", 0);
}

MxrAdminIsAnyCommPathToHostUpReqMsg::MxrAdminIsAnyCommPathToHostUpReqMsg(const BaseAddrPtr& to, const bStr& remHost_,
                                                                         const bStr& remAlias_)
    : remHost(remHost_), remAlias(remAlias_) {
    MXR_METHOD_FRAME("MxrAdminIsAnyCommPathToHostUpReqMsg", 3);
    SetToAddr(to);
}

MxrAdminIsAnyCommPathToHostUpReqMsg::~MxrAdminIsAnyCommPathToHostUpReqMsg() {
    MXR_METHOD_FRAME("~MxrAdminIsAnyCommPathToHostUpReqMsg", 0);
}

bStr MxrAdminIsAnyCommPathToHostUpReqMsg::GetRemHost() const {
    MXR_METHOD_FRAME("GetRemHost", 0);
    return remHost;
}

bStr MxrAdminIsAnyCommPathToHostUpReqMsg::GetRemAlias() const {
    MXR_METHOD_FRAME("GetRemAlias", 0);
    return remAlias;
}
