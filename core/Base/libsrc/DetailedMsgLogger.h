// A receiver that prints every message handed to it, in full, in the
// s-expression form, on a stream its owner chooses. Installed as the world's
// message logger (BaseWorld::SetMsgLoggerPtr), it is shown each message just
// before the message's own receiver; with no stream it prints nothing.
//
//   DetailedMsgLoggerPtr logger(new DetailedMsgLogger());
//   logger->SetOutputAdr(&std::clog);
//   BaseWorld::GetWorldPtr()->SetMsgLoggerPtr(logger);
//
// Each message appears as one block that begins with "(" and its class name
// and ends with ")" and a newline. The stream is not carried by either
// encoding; the stream must not be written by another thread meanwhile.
#pragma once

#include <iosfwd>

#include "BaseMsgRcvr.h"

class DetailedMsgLogger : public BaseMsgRcvr {
    MXR_LOCAL_CLASS(DetailedMsgLogger, BaseMsgRcvr);
    MXR_FIELDS();

public:
    // No stream.
    DetailedMsgLogger();
    ~DetailedMsgLogger() override;

    // Not owned; may be replaced or cleared (null) at any time.
    std::ostream* GetOutputAdr() const;
    void SetOutputAdr(std::ostream* os);

    // slot 7: the base's (NOTPROCESSED), so every message reaches slot 8.
    enMsgResult MsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;
    // slot 8: prints the message; always PROCESSED.
    enMsgResult DfltMsgHdlr(const BaseMsgPtr& msg, const BasePktCtrlPtr& ctrl) override;

private:
    std::ostream* OutputAdr;
};
MXR_COMPANION_PTR(DetailedMsgLogger);
