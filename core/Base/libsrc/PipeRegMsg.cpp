#include "PipeRegMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PipeRegMsg);

PipeRegMsg::PipeRegMsg(const bStr& host_, long pid_, long tid_) : PipeRegMsg(host_, pid_, tid_, 0) {
    MXR_METHOD_FRAME("PipeRegMsg", 3);
}
