#include "BasePktBufr.h"

#include "ClassDefine.h"

// No fields: the free functions move nothing.
MXR_ABSTRACT_CLASS_DEFINE(BasePktBufr);

BasePktBufr::BasePktBufr() { MXR_METHOD_FRAME("BasePktBufr", 0); }

BasePktBufr::~BasePktBufr() { MXR_METHOD_FRAME("~BasePktBufr", 0); }
