#include "BaseErrMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(BaseErrMsg);
