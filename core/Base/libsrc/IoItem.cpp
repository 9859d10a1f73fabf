#include "IoItem.h"

#include "ClassDefine.h"

MXR_ABSTRACT_CLASS_DEFINE(IoItem, 25);

IoItem::IoItem() { MXR_METHOD_FRAME("IoItem", 0); }

IoItem::~IoItem() { MXR_METHOD_FRAME("~IoItem", 0); }
