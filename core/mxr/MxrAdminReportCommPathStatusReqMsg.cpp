#include "MxrAdminReportCommPathStatusReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminReportCommPathStatusReqMsg);
MXR_CLASS_DEFINE(MxrAdminReportCommPathStatusRspMsg);
