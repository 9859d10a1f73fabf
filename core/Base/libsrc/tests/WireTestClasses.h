// Classes and helpers for the binary encoding tests.
//   WireSample (206): a field of every scalar kind, a string and an object
//                     pointer, so one object shows the whole wire form.
#pragma once

#include <cstdint>
#include <vector>

#include "BaseMsg.h"
#include "ClassPattern.h"
#include "PipePktCtrl.h"
#include "bStr.h"

class WireSample : public BaseVirtItem {
    MXR_CLASS(WireSample, BaseVirtItem);
    MXR_FIELDS(MXR_FIELD("c", c), MXR_FIELD("uc", uc), MXR_FIELD("s", s), MXR_FIELD("us", us), MXR_FIELD("i", i),
               MXR_FIELD("ui", ui), MXR_FIELD("l", l), MXR_FIELD("ul", ul), MXR_FIELD("f", f), MXR_FIELD("d", d),
               MXR_FIELD("ld", ld), MXR_FIELD("count", count), MXR_FIELD("text", text), MXR_FIELD("child", child));

public:
    char c = 0;
    unsigned char uc = 0;
    short s = 0;
    unsigned short us = 0;
    int i = 0;
    unsigned int ui = 0;
    long l = 0;
    unsigned long ul = 0;
    float f = 0;
    double d = 0;
    long double ld = 0;
    SpclSerialInt count;
    bStr text;
    BasePtr child;
};
MXR_COMPANIONS(WireSample);

using Bytes = std::vector<unsigned char>;

// The stream of a controller from its first byte (direction and position are
// left at the end of a read).
Bytes StreamOf(PipePktCtrl& c);
// An unpacking controller over the bytes (one stream, packets of 512).
struct Reader {
    PipePktCtrlPtr ptr;
    PipePktCtrl& operator*() const { return *ptr.GetPtr(); }
    PipePktCtrl* operator->() const { return ptr.GetPtr(); }
};
Reader ReaderOf(const Bytes& bytes);
// The object's wire form through its slot 1.
Bytes SerializeOf(BaseVirtItem& obj);
// The pointer form of p (length word and object).
Bytes PointerFormOf(BasePtr& p);
// The packets of a written stream as they go on a pipe, as the sender takes
// them (rewind, number, first to last).
std::vector<Bytes> PacketsOf(PipePktCtrl& c);
// A packet received from a pipe: SetRecvdSize's result in *rc.
BasePktBufrPtr Received(const Bytes& wire, int* rc);
// Bytes from a hex text ("15 00 00 00 29").
Bytes Hex(const char* text);
// The message rebuilt from the bytes, as a pipe endpoint does.
BaseMsgPtr MessageOf(const Bytes& bytes);
