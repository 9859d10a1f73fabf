#include "MxrAdminReportOutConnCompleteReqMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(MxrAdminReportOutConnCompleteReqMsg);
MXR_CLASS_DEFINE(MxrAdminReportOutConnCompleteRspMsg);
