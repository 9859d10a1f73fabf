// The notice of a path event that a listener registers as its template: it
// names the path, its kind and far system, and the new heartbeat status. The
// key of devPathName ends in a blank, in writing and in reading.
#pragma once

#include "BaseMsg.h"
#include "CommAgentEnt.h"
#include "PipeHead.h"
#include "bStr.h"

class CommPathStatusMsg : public BaseMsg {
    MXR_CLASS(CommPathStatusMsg, BaseMsg);
    MXR_FIELDS(MXR_FIELD("localAlias", localAlias), MXR_FIELD("devPathName ", devPathName),
               MxrMakeEnumField("commAgentType", &MxrSelf::commAgentType, &CommAgentEnt::GetCommAgentTypeCvtPtr),
               MXR_FIELD("remoteHost", remoteHost), MXR_FIELD("remoteAlias", remoteAlias),
               MxrMakeEnumField("status", &MxrSelf::status, &PipeHead::GetHeartBeatStatusCvtPtr));

public:
    // Empty fields (the factory's instance).
    CommPathStatusMsg();
    // Empty strings; to-address set.
    explicit CommPathStatusMsg(BaseAddrPtr to);
    ~CommPathStatusMsg() override;

    bStr GetLocalAlias() const;
    void SetLocalAlias(bStr value);
    bStr GetDevPathName() const;
    void SetDevPathName(bStr value);
    CommAgentEnt::CommAgentType GetCommAgentType() const;
    void SetCommAgentType(CommAgentEnt::CommAgentType value);
    bStr GetRemoteHost() const;
    void SetRemoteHost(bStr value);
    bStr GetRemoteAlias() const;
    void SetRemoteAlias(bStr value);
    PipeHead::HeartBeatStatus GetStatus() const;
    void SetStatus(PipeHead::HeartBeatStatus value);

private:
    bStr localAlias;
    bStr devPathName;
    CommAgentEnt::CommAgentType commAgentType = CommAgentEnt::OTHER;
    bStr remoteHost;
    bStr remoteAlias;
    PipeHead::HeartBeatStatus status = PipeHead::NONE;
};
MXR_COMPANIONS(CommPathStatusMsg);
