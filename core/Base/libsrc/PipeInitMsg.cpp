#include "PipeInitMsg.h"

#include "ClassDefine.h"

MXR_CLASS_DEFINE(PipeInitMsg);

PipeInitMsg::PipeInitMsg() : pid(0), tid(0), max_pkt_size(0) { MXR_METHOD_FRAME("PipeInitMsg", 0); }

PipeInitMsg::PipeInitMsg(bStr host_, long pid_, long tid_, unsigned int max_pkt_size_)
    : host(host_), pid(pid_), tid(tid_), max_pkt_size(max_pkt_size_) {
    MXR_METHOD_FRAME("PipeInitMsg", 4);
}

PipeInitMsg::~PipeInitMsg() { MXR_METHOD_FRAME("~PipeInitMsg", 0); }

bStr PipeInitMsg::GetHost() const {
    MXR_METHOD_FRAME("GetHost", 0);
    return host;
}

void PipeInitMsg::SetHost(bStr host_) {
    MXR_METHOD_FRAME("SetHost", 1);
    host = host_;
}

long PipeInitMsg::GetPid() const {
    MXR_METHOD_FRAME("GetPid", 0);
    return pid;
}

void PipeInitMsg::SetPid(long pid_) {
    MXR_METHOD_FRAME("SetPid", 1);
    pid = pid_;
}

long PipeInitMsg::GetTid() const {
    MXR_METHOD_FRAME("GetTid", 0);
    return tid;
}

void PipeInitMsg::SetTid(long tid_) {
    MXR_METHOD_FRAME("SetTid", 1);
    tid = tid_;
}

unsigned int PipeInitMsg::GetMax_pkt_size() const {
    MXR_METHOD_FRAME("GetMax_pkt_size", 0);
    return max_pkt_size;
}

void PipeInitMsg::SetMax_pkt_size(unsigned int size) {
    MXR_METHOD_FRAME("SetMax_pkt_size", 1);
    max_pkt_size = size;
}
