#include "PipeDeRegMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PipeDeRegMsg);

PipeDeRegMsg::PipeDeRegMsg() : pid(0), tid(0), comPriority(0) { MXR_METHOD_FRAME("PipeDeRegMsg", 0); }

PipeDeRegMsg::PipeDeRegMsg(bStr host_, long pid_, long tid_) : host(host_), pid(pid_), tid(tid_), comPriority(0) {
    MXR_METHOD_FRAME("PipeDeRegMsg", 3);
}

PipeDeRegMsg::PipeDeRegMsg(bStr host_, long pid_, long tid_, int comPriority_)
    : host(host_), pid(pid_), tid(tid_), comPriority(comPriority_) {
    MXR_METHOD_FRAME("PipeDeRegMsg", 4);
}

PipeDeRegMsg::~PipeDeRegMsg() { MXR_METHOD_FRAME("~PipeDeRegMsg", 0); }

bStr PipeDeRegMsg::GetHost() const {
    MXR_METHOD_FRAME("GetHost", 0);
    return host;
}

void PipeDeRegMsg::SetHost(bStr host_) {
    MXR_METHOD_FRAME("SetHost", 1);
    host = host_;
}

long PipeDeRegMsg::GetPid() const {
    MXR_METHOD_FRAME("GetPid", 0);
    return pid;
}

void PipeDeRegMsg::SetPid(long pid_) {
    MXR_METHOD_FRAME("SetPid", 1);
    pid = pid_;
}

long PipeDeRegMsg::GetTid() const {
    MXR_METHOD_FRAME("GetTid", 0);
    return tid;
}

void PipeDeRegMsg::SetTid(long tid_) {
    MXR_METHOD_FRAME("SetTid", 1);
    tid = tid_;
}

int PipeDeRegMsg::GetComPriority() const {
    MXR_METHOD_FRAME("GetComPriority", 0);
    return comPriority;
}

void PipeDeRegMsg::SetComPriority(int comPriority_) {
    MXR_METHOD_FRAME("SetComPriority", 1);
    comPriority = comPriority_;
}
