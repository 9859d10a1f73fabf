#include "PipeDeRegMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PipeDeRegMsg);

PipeDeRegMsg::PipeDeRegMsg(const bStr& host_, long pid_, long tid_) : PipeDeRegMsg(host_, pid_, tid_, 0) {
    MXR_METHOD_FRAME("PipeDeRegMsg", 3);
}
