// The address of a well-known receiver by its service name. An empty host
// means the host that serves the name for the sender: this process when it
// serves the name, else this host's manager. pid and tid are 0 except for a
// named receiver outside the manager process (a communication agent's).
#pragma once

#include "BaseAddr.h"
#include "BaseEnumCvt.h"

class LogicalAddr : public BaseAddr {
    MXR_CLASS(LogicalAddr, BaseAddr);

public:
    // 4 bytes on the wire; no 0.
    enum enLogicalName : int {
        MXRROUTEERRORHDLR = 1,
        MXRERRORHDLR = 2,
        MXRLOGGING = 3,
        MXRDEBUG = 4,
        MXRPOSTOFFICE = 5,     // the post office of a host's manager
        MXRLOCALHOST = 6,      // the local-host receiver
        MXRADMIN = 7,          // the path administrator of the manager
        COMMAGENTMSGRCVR = 8,  // a communication agent's base receiver
    };
    static BaseEnumCvtPtr GetEnLogicalNameCvtPtr();

    MXR_FIELDS(MXR_ENUM_FIELD("logicalName", logicalName, GetEnLogicalNameCvtPtr));

    // Empty host, pid 0, tid 0, no name (the factory's instance).
    LogicalAddr();
    explicit LogicalAddr(enLogicalName name);
    LogicalAddr(bStr host, enLogicalName name);
    LogicalAddr(bStr host, long pid, long tid, enLogicalName name);
    ~LogicalAddr() override;

    enLogicalName GetLogicalName() const;
    void SetLogicalName(enLogicalName name);

    BaseMsgRcvr* GetMsgRcvrAddr() const override;

private:
    enLogicalName logicalName;
};
MXR_COMPANIONS(LogicalAddr);
