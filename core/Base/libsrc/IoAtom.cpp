#include "IoAtom.h"

#include "ClassDefine.h"

MXR_ABSTRACT_CLASS_DEFINE(IoAtom);

IoAtom::IoAtom() { MXR_METHOD_FRAME("IoAtom", 0); }

IoAtom::~IoAtom() { MXR_METHOD_FRAME("~IoAtom", 0); }
