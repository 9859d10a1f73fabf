#include "TextTestClasses.h"

#include "ClassDefine.h"
#include "EnumDefine.h"

MXR_CLASS_DEFINE(Gauge);
MXR_ENUM_TABLE(Gauge, GetModeCvtPtr, IDLE, RUNNING, HALTED);
MXR_ENUM_TABLE(Gauge, GetEnMaxValuesCvtPtr, MSECSTONEXTTIMERMAX);
MXR_ENUM_TABLE(Gauge, GetShadeCvtPtr, PALE, DARK);
MXR_ENUM_TABLE(Gauge, GetLeanCvtPtr, BACKWARD);

Gauge::Gauge() { MXR_METHOD_FRAME("Gauge", 0); }

Gauge::~Gauge() { MXR_METHOD_FRAME("~Gauge", 0); }
