#include "PipeHeartBeatMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PipeHeartBeatMsg);

PipeHeartBeatMsg::PipeHeartBeatMsg() : count(0) { MXR_METHOD_FRAME("PipeHeartBeatMsg", 0); }

PipeHeartBeatMsg::~PipeHeartBeatMsg() { MXR_METHOD_FRAME("~PipeHeartBeatMsg", 0); }

int PipeHeartBeatMsg::GetCount() const {
    MXR_METHOD_FRAME("GetCount", 0);
    return count;
}

void PipeHeartBeatMsg::SetCount(int count_) {
    MXR_METHOD_FRAME("SetCount", 1);
    count = count_;
}

void PipeHeartBeatMsg::IncCount() {
    MXR_METHOD_FRAME("IncCount", 0);
    // Wraps round like the 32-bit counter on the wire, without overflow.
    count = static_cast<int>(static_cast<unsigned>(count) + 1u);
}
