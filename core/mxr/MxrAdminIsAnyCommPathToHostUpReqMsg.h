// Asks whether a path to a host, with a given remote alias, is up.
#pragma once

#include "BaseReqMsg.h"
#include "bStr.h"

class MxrAdminIsAnyCommPathToHostUpReqMsg : public BaseReqMsg {
    MXR_CLASS(MxrAdminIsAnyCommPathToHostUpReqMsg, BaseReqMsg);
    MXR_FIELDS(MXR_FIELD("remHost", remHost), MXR_FIELD("remAlias", remAlias));

public:
    // Empty fields (the factory's instance).
    MxrAdminIsAnyCommPathToHostUpReqMsg();
    // From-address: the receiver being dispatched, if any; then the fields
    // and the to-address.
    MxrAdminIsAnyCommPathToHostUpReqMsg(const BaseAddrPtr& to, const bStr& remHost_, const bStr& remAlias_);
    ~MxrAdminIsAnyCommPathToHostUpReqMsg() override;

    bStr GetRemHost() const;
    bStr GetRemAlias() const;

private:
    bStr remHost;
    bStr remAlias;
};
MXR_COMPANION_PTR(MxrAdminIsAnyCommPathToHostUpReqMsg);
