// Shared pieces of the serial agent's tests: object round trips through both
// encodings, serial frames made the way the sending end makes them, and a
// pty pair standing for a serial line.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "../../tests/MxrTestSupport.h"
#include "BaseMsg.h"
#include "TTYPktBufr.h"
#include "TTYPktCtrl.h"

namespace ttytest {

using mxrtest::TextOf;
using mxrtest::WireOf;

inline BasePtr RoundTrip(const BasePtr& obj) {
    int rc = 0;
    BasePtr back = mxrtest::FromWire(WireOf(obj), &rc);
    return rc == 0 ? back : BasePtr();
}

inline BasePtr TextRoundTrip(const BasePtr& obj) {
    int rc = 0;
    BasePtr back = mxrtest::FromTree(obj, &rc);
    return rc == 0 ? back : BasePtr();
}

// The packets of msg as the sending end makes them (message number id);
// those needing an answer carry their sums.
inline std::vector<TTYPktBufrPtr> PacketsOf(const BaseMsgPtr& msg, unsigned short id, bool ackNotRequired = false) {
    TTYPktCtrlPtr out(new TTYPktCtrl());
    out->SetDirection(BasePktCtrl::INTOPKT);
    out->SetPktCtrlId(id);
    msg->Serialize(*out.GetPtr());
    out->SetOffset(0);
    std::vector<TTYPktBufrPtr> pkts;
    for (BasePktBufrPtr b = out->GetFirstPktBufr(); b.GetPtr() != nullptr; b = out->GetNextPktBufr()) {
        TTYPktBufrPtr t(b);
        if (ackNotRequired) {
            t->SetAckNotRequired(1);
            t->SetMarker();
            t->GetSendSize();
        } else {
            t->StampCheckSums();
        }
        pkts.push_back(t);
    }
    return pkts;
}

// The bytes of a packet on the line.
inline std::string BytesOf(const TTYPktBufrPtr& p) {
    return std::string(reinterpret_cast<const char*>(p->GetBlock()), p->GetTotalBytesSent());
}

// A pty pair: the slave stands for this end's serial port, the master for the
// line and the other end. Both non-blocking; the slave raw.
struct PtyLine {
    int master = -1;
    std::string slavePath;
    PtyLine() {
        master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return;
        char name[128];
        if (::ptsname_r(master, name, sizeof name) == 0) slavePath = name;
    }
    ~PtyLine() {
        if (master >= 0) ::close(master);
    }
    PtyLine(const PtyLine&) = delete;
    PtyLine& operator=(const PtyLine&) = delete;
};

}  // namespace ttytest
