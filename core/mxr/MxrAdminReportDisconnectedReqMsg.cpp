#include "MxrAdminReportDisconnectedReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminReportDisconnectedReqMsg);
MXR_CLASS_DEFINE(MxrAdminReportDisconnectedRspMsg);
