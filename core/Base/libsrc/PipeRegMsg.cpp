#include "PipeRegMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PipeRegMsg);

PipeRegMsg::PipeRegMsg() : pid(0), tid(0), comPriority(0) { MXR_METHOD_FRAME("PipeRegMsg", 0); }

PipeRegMsg::PipeRegMsg(bStr host_, long pid_, long tid_) : host(host_), pid(pid_), tid(tid_), comPriority(0) {
    MXR_METHOD_FRAME("PipeRegMsg", 3);
}

PipeRegMsg::PipeRegMsg(bStr host_, long pid_, long tid_, int comPriority_)
    : host(host_), pid(pid_), tid(tid_), comPriority(comPriority_) {
    MXR_METHOD_FRAME("PipeRegMsg", 4);
}

PipeRegMsg::~PipeRegMsg() { MXR_METHOD_FRAME("~PipeRegMsg", 0); }

bStr PipeRegMsg::GetHost() const {
    MXR_METHOD_FRAME("GetHost", 0);
    return host;
}

void PipeRegMsg::SetHost(bStr host_) {
    MXR_METHOD_FRAME("SetHost", 1);
    host = host_;
}

long PipeRegMsg::GetPid() const {
    MXR_METHOD_FRAME("GetPid", 0);
    return pid;
}

void PipeRegMsg::SetPid(long pid_) {
    MXR_METHOD_FRAME("SetPid", 1);
    pid = pid_;
}

long PipeRegMsg::GetTid() const {
    MXR_METHOD_FRAME("GetTid", 0);
    return tid;
}

void PipeRegMsg::SetTid(long tid_) {
    MXR_METHOD_FRAME("SetTid", 1);
    tid = tid_;
}

int PipeRegMsg::GetComPriority() const {
    MXR_METHOD_FRAME("GetComPriority", 0);
    return comPriority;
}

void PipeRegMsg::SetComPriority(int comPriority_) {
    MXR_METHOD_FRAME("SetComPriority", 1);
    comPriority = comPriority_;
}
