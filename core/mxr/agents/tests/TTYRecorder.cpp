#include "TTYRecorder.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(TTYRecorder, 360);
