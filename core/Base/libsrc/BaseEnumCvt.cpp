#include "BaseEnumCvt.h"

#include "ClassDefine.h"

MXR_ABSTRACT_CLASS_DEFINE(BaseEnumCvt);

BaseEnumCvt::BaseEnumCvt() { MXR_METHOD_FRAME("BaseEnumCvt", 0); }

BaseEnumCvt::~BaseEnumCvt() { MXR_METHOD_FRAME("~BaseEnumCvt", 0); }
