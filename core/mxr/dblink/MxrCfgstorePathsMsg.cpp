#include "MxrCfgstorePathsMsg.h"

#include "ClassDefine.h"

MXR_LOCAL_CLASS_DEFINE(MxrCfgstorePathsMsg);
