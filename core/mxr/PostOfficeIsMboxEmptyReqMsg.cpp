#include "PostOfficeIsMboxEmptyReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PostOfficeIsMboxEmptyReqMsg);

PostOfficeIsMboxEmptyReqMsg::PostOfficeIsMboxEmptyReqMsg() { MXR_METHOD_FRAME("PostOfficeIsMboxEmptyReqMsg", 0); }

PostOfficeIsMboxEmptyReqMsg::PostOfficeIsMboxEmptyReqMsg(const BaseAddrPtr& to, bStr mBoxName_) : mBoxName(mBoxName_) {
    MXR_METHOD_FRAME("PostOfficeIsMboxEmptyReqMsg", 2);
    SetToAddr(to);
}

PostOfficeIsMboxEmptyReqMsg::~PostOfficeIsMboxEmptyReqMsg() { MXR_METHOD_FRAME("~PostOfficeIsMboxEmptyReqMsg", 0); }

bStr PostOfficeIsMboxEmptyReqMsg::GetMBoxName() const {
    MXR_METHOD_FRAME("GetMBoxName", 0);
    return mBoxName;
}
