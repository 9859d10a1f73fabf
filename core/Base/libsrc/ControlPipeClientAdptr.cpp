#include "ControlPipeClientAdptr.h"

#include <cerrno>
#include <cstring>
#include <iostream>
#include <string>

#include "AttachedPollAdptr.h"
#include "FuncInfo.h"
#include "MsgIo.h"
#include "platform/NamedPipeMode.h"

#define CLIENT_FRAME(func, parms) MXR_FRAME("ControlPipeClientAdptr", (func), (parms), "ControlPipeClientAdptr.c")

ControlPipeClientAdptr::ControlPipeClientAdptr(int fd_) : fd(fd_) { CLIENT_FRAME("ControlPipeClientAdptr", 1); }

ControlPipeClientAdptr::~ControlPipeClientAdptr() {
    CLIENT_FRAME("~ControlPipeClientAdptr", 0);
    if (fd >= 0) portlib::platform::PipeClose(fd);
}

int ControlPipeClientAdptr::GetFd() const {
    CLIENT_FRAME("GetFd", 0);
    return fd;
}

void ControlPipeClientAdptr::PopulatePollInfo(hv::pollfd* p) {
    CLIENT_FRAME("PopulatePollInfo", 1);
    p->fd = fd;
    p->events = POLLIN;
}

BasePollAdptr::enWork ControlPipeClientAdptr::ProcessRevents(hv::pollfd* p) {
    CLIENT_FRAME("ProcessRevents", 1);
    if (fd < 0 || p->revents == 0) return NOWORK;
    if (!(p->revents & POLLIN)) {
        // Gone (or failed) before it wrote its record.
        Finish("Did not get MXR_CONNECT_MSG");
        return DIDWORK;
    }
    char record[AttachedPollAdptr::kConnectRecordLen];
    hv::strbuf data{AttachedPollAdptr::kConnectRecordLen, 0, record};
    // A longer first message passes on its first 24 bytes; the rest stays
    // with the pipe for the endpoint to read.
    const int rc = hv::getmsg(fd, nullptr, &data, nullptr);
    if (rc == -1 && errno == EAGAIN) return NOWORK;
    if (rc == -1 || data.len < AttachedPollAdptr::kConnectRecordLen) {
        Finish("Did not get MXR_CONNECT_MSG");
        return DIDWORK;
    }
    if (std::strncmp(record, AttachedPollAdptr::kConnectRecord, AttachedPollAdptr::kConnectRecordLen) != 0) {
        Finish("Bad  MXR_CONNECT_MSG");
        return DIDWORK;
    }
    if (AttachedPollAdptr::ClientHandoff handoff = AttachedPollAdptr::GetClientHandoff()) {
        const int taken = fd;
        fd = -1;
        handoff(taken);
        Finish(nullptr);
    } else {
        Finish("AttachedPollAdptr - no pipe endpoint takes the client");
    }
    return DIDWORK;
}

void ControlPipeClientAdptr::Finish(const char* report) {
    CLIENT_FRAME("Finish", 1);
    if (report != nullptr) std::cerr << std::string(report) + "\n" << std::flush;
    if (fd >= 0) {
        portlib::platform::PipeClose(fd);
        fd = -1;
    }
    DeRegister();
}
