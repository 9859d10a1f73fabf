#include "CommPathStatusMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(CommPathStatusMsg);
