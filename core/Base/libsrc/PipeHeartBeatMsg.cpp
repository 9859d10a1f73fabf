#include "PipeHeartBeatMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PipeHeartBeatMsg);

void PipeHeartBeatMsg::IncCount() {
    MXR_METHOD_FRAME("IncCount", 0);
    // Wraps round like the 32-bit counter on the wire, without overflow.
    count = static_cast<int>(static_cast<unsigned>(count) + 1u);
}
