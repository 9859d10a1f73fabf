// The socket agent's world: its settings (device name, local alias, the
// default heartbeat interval and miss count that a path without its own
// uses), the network record shared by the paths' set-ups, and the agent's
// one receiver. Initialize connects to the local manager's pipe (retrying
// every 2 seconds until it is there) and builds the receiver, which
// registers the agent with the administrator.
#pragma once

#include <memory>

#include "BaseWorld.h"
#include "PipeHead.h"
#include "SockNetConfig.h"
#include "bStr.h"

MXR_FORWARD_PTR(SOCKCAMsgRcvr);

class SOCKCAWorld : public BaseWorld {
public:
    SOCKCAWorld(const bStr& localAlias, const bStr& devicePath, int hbInterval, int hbMaxMiss);
    ~SOCKCAWorld() override;

    int Initialize() override;
    void CleanUp() override;

    // The current world when it is a socket agent's, else null.
    static SOCKCAWorld* Current();

    bStr GetDevicePath() const;
    void SetDevicePath(const bStr& path);
    bStr GetLocalAlias() const;
    void SetLocalAlias(const bStr& alias);
    int GetHeartbeatInterval() const;
    void SetHeartbeatInterval(int secs);
    int GetHeartbeatMaxMiss() const;
    void SetHeartbeatMaxMiss(int misses);
    short GetRtPriority() const;
    void SetRtPriority(short prio);
    bStr GetSockCAPrioClass() const;
    void SetSockCAPrioClass(const bStr& cls);
    SOCKCAMsgRcvrPtr GetSockCAMsgRcvrPtr() const;
    // Built at the first call, owned by the world.
    SockNetConfig* GetSockNetConfig();
    SockNetConfig* GetNetConfigP();
    // Kept, not applied.
    void SetSOCKCAPriority();
    // The manager's pipe: set by Initialize.
    PipeHeadPtr GetMxrPipeHeadPtr() const;

    // Builds the receiver (registration with the administrator goes out).
    void StartReceiver();

private:
    bStr DevicePath;
    bStr LocalAlias;
    int HeartbeatInterval;
    int HeartbeatMaxMiss;
    SOCKCAMsgRcvrPtr SockCAMsgRcvrPtr;
    std::unique_ptr<SockNetConfig> NetConfigP;
    short RtPriority;
    bStr SockCAPrioClass;
    PipeHeadPtr MxrPipeHeadPtr;
};
