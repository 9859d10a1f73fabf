#include "TTYRecorder.h"

#include "ClassDefine.h"

MXR_LOCAL_CLASS_DEFINE(TTYRecorder);
