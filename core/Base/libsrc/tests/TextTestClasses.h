// A class for the s-expression tests with a field of every kind that has a
// text form: every integer kind, a floating-point number, a string, an
// enumeration, an object pointer and a typed pointer. Two more enumerations
// and two plain ones (range 0..3 and -1..0) are not fields: on the wire a
// field's enumeration needs the fixed type int.
//   Gauge (210)
#pragma once

#include "ClassPattern.h"
#include "CoreTestClasses.h"
#include "EnumPattern.h"
#include "bStr.h"

class Gauge : public BaseVirtItem {
    MXR_CLASS(Gauge, BaseVirtItem);

public:
    enum Mode : int { IDLE = 0, RUNNING = 1, HALTED = 7 };
    MXR_ENUM(Mode, GetModeCvtPtr);
    enum enMaxValues : int { MSECSTONEXTTIMERMAX = -1 };
    MXR_ENUM(enMaxValues, GetEnMaxValuesCvtPtr);
    enum Shade { PALE = 1, DARK = 2 };
    MXR_ENUM(Shade, GetShadeCvtPtr);
    enum Lean { BACKWARD = -1 };
    MXR_ENUM(Lean, GetLeanCvtPtr);

    MXR_FIELDS(MXR_FIELD("c", c), MXR_FIELD("uc", uc), MXR_FIELD("s", s), MXR_FIELD("us", us),
               MXR_FIELD("i", i), MXR_FIELD("ui", ui), MXR_FIELD("l", l), MXR_FIELD("ul", ul),
               MXR_FIELD("ratio", ratio), MXR_FIELD("text", text), MXR_ENUM_FIELD("mode", mode, GetModeCvtPtr),
               MXR_FIELD("child", child), MXR_FIELD("peer", peer));

    Gauge();
    ~Gauge() override;

    char c = 0;
    unsigned char uc = 0;
    short s = 0;
    unsigned short us = 0;
    int i = 0;
    unsigned int ui = 0;
    long l = 0;
    unsigned long ul = 0;
    double ratio = 0;
    bStr text;
    Mode mode = IDLE;
    BasePtr child;
    ProbePtr peer;  // a typed pointer field
};
MXR_COMPANIONS(Gauge);
