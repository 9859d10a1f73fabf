#include "PipeInitMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PipeInitMsg);
