// A receiver that keeps every message it is handed (the administrator's and
// the manager's stand-in in the serial agent's tests).
#pragma once

#include <vector>

#include "BaseMsgRcvr.h"

class TTYRecorder : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(TTYRecorder, BaseMsgRcvr);
    MXR_FIELDS();

public:
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override {
        static_cast<void>(ctrl);
        seen.push_back(msg);
        return PROCESSED;
    }
    // The messages of class code, in order.
    std::vector<BaseMsgPtr> Of(int code) const {
        std::vector<BaseMsgPtr> out;
        for (const auto& m : seen)
            if (m->IsOfType(code)) out.push_back(m);
        return out;
    }
    std::vector<BaseMsgPtr> seen;
};
MXR_COMPANIONS(TTYRecorder);
