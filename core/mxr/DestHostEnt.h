// One communication path to a remote host, as the administrator keeps it and
// as it travels to an agent inside the add-host and delete-host requests.
// The field order below is the wire order of both forms.
#pragma once

#include "ClassPattern.h"
#include "EnumPattern.h"
#include "PipeHead.h"
#include "bStr.h"

class DestHostEnt : public BaseVirtItem {
    MXR_CLASS(DestHostEnt, BaseVirtItem);

public:
    // 4 bytes on the wire.
    enum ConnectionStatus : int { UNDEFINED = 0, INITIALIZING = 1, ALIVE = 2, DEAD = 3 };
    MXR_ENUM(ConnectionStatus, GetConnectionStatusCvtPtr);

    MXR_FIELDS(MXR_FIELD("localAlias", localAlias), MXR_FIELD("remoteAlias", remoteAlias),
               MXR_FIELD("priority", priority), MXR_FIELD("devicePathName", devicePathName),
               MXR_FIELD("remoteHostName", remoteHostName), MXR_FIELD("hbInterval", hbInterval),
               MXR_FIELD("hbMaxMiss", hbMaxMiss), MXR_FIELD("baudRate", baudRate),
               MxrMakeEnumField("hbStatus", &MxrSelf::hbStatus, &PipeHead::GetHeartBeatStatusCvtPtr),
               MXR_ENUM_FIELD("connectionStatus", connectionStatus, GetConnectionStatusCvtPtr));

    // Empty strings, numbers 0, heartbeat NONE, connection UNDEFINED (the
    // factory's instance).
    DestHostEnt();
    // A search key: the first five values of the full constructor.
    DestHostEnt(const bStr& remoteAlias_, const int& priority_, const bStr& localAlias_, const bStr& devicePathName_,
                const bStr& remoteHostName_);
    // A new path. Its heartbeat starts NONE, so that it counts as down until
    // its agent reports; its creator sets the connection status.
    DestHostEnt(const bStr& remoteAlias_, const int& priority_, const bStr& localAlias_, const bStr& devicePathName_,
                const bStr& remoteHostName_, const int& hbInterval_, const int& hbMaxMiss_, const int& baudRate_);
    ~DestHostEnt() override;

    bStr GetLocalAlias() const;
    void SetLocalAlias(bStr value);
    bStr GetRemoteAlias() const;
    void SetRemoteAlias(bStr value);
    int GetPriority() const;
    void SetPriority(int value);
    bStr GetDevicePathName() const;
    void SetDevicePathName(bStr value);
    bStr GetRemoteHostName() const;
    void SetRemoteHostName(bStr value);
    int GetHbInterval() const;
    void SetHbInterval(int value);
    int GetHbMaxMiss() const;
    void SetHbMaxMiss(int value);
    int GetBaudRate() const;
    void SetBaudRate(int value);
    PipeHead::HeartBeatStatus GetHbStatus() const;
    void SetHbStatus(PipeHead::HeartBeatStatus value);
    ConnectionStatus GetConnectionStatus() const;
    void SetConnectionStatus(ConnectionStatus value);

    // 0 when localAlias, remoteAlias and devicePathName all equal other's
    // (exactly), else -1.
    int IsaMatch(const TypedPtr<DestHostEnt>& other) const;

private:
    bStr localAlias;
    bStr remoteAlias;
    int priority = 0;
    bStr devicePathName;
    bStr remoteHostName;
    int hbInterval = 0;
    int hbMaxMiss = 0;
    int baudRate = 0;
    PipeHead::HeartBeatStatus hbStatus = PipeHead::NONE;
    ConnectionStatus connectionStatus = UNDEFINED;
};
MXR_COMPANIONS(DestHostEnt);
