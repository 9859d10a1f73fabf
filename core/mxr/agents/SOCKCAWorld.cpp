#include "SOCKCAWorld.h"

#include <unistd.h>

#include "BaseAddr.h"
#include "platform/TestTimeScale.h"
#include "SOCKCAMsgRcvr.h"
#include "SOCKCAMsgRcvrAddHostSM.h"
#include "SOCKCASetUpListenSM.h"
#include "SockPeerTable.h"

SOCKCAWorld::SOCKCAWorld(const bStr& localAlias, const bStr& devicePath, int hbInterval, int hbMaxMiss)
    : DevicePath(devicePath),
      LocalAlias(localAlias),
      HeartbeatInterval(hbInterval),
      HeartbeatMaxMiss(hbMaxMiss),
      RtPriority(-30007),
      SockCAPrioClass("RT") {}

SOCKCAWorld::~SOCKCAWorld() {
    // Pending set-ups hold timers and sockets of this world: they go first.
    for (SOCKCAMsgRcvrAddHostSMPtr sm; GetAddHostSMLst().Remove(sm) != 0;) sm->CleanUp();
    for (SOCKCASetUpListenSMPtr sm; GetSetUpListenSMLst().Remove(sm) != 0;) sm->CleanUp();
    SockPeerClear();
    SockCAMsgRcvrPtr = SOCKCAMsgRcvrPtr();
    MxrPipeHeadPtr = PipeHeadPtr();
}

SOCKCAWorld* SOCKCAWorld::Current() { return dynamic_cast<SOCKCAWorld*>(BaseWorld::GetWorldPtr()); }

int SOCKCAWorld::Initialize() {
    // The manager may not be up yet: wait for it, however long that takes.
    for (;;) {
        MxrPipeHeadPtr = PipeHeadPtr(new PipeHead(bStr(GetMxrPipeName())));
        if (MxrPipeHeadPtr->Initialize() == 0) break;
        MxrPipeHeadPtr = PipeHeadPtr();
        ::usleep(portlib::platform::ScaledMs(2000) * 1000);
    }
    GetSockNetConfig();
    StartReceiver();
    return 0;
}

void SOCKCAWorld::StartReceiver() { SockCAMsgRcvrPtr = SOCKCAMsgRcvrPtr(new SOCKCAMsgRcvr(GetSockNetConfig(), LocalAlias)); }

void SOCKCAWorld::CleanUp() {}

SockNetConfig* SOCKCAWorld::GetSockNetConfig() {
    if (!NetConfigP) {
        NetConfigP = std::make_unique<SockNetConfig>();
        NetConfigP->DevicePath = &DevicePath;
    }
    return NetConfigP.get();
}

SockNetConfig* SOCKCAWorld::GetNetConfigP() { return GetSockNetConfig(); }
bStr SOCKCAWorld::GetDevicePath() const { return DevicePath; }
void SOCKCAWorld::SetDevicePath(const bStr& path) { DevicePath = path; }
bStr SOCKCAWorld::GetLocalAlias() const { return LocalAlias; }
void SOCKCAWorld::SetLocalAlias(const bStr& alias) { LocalAlias = alias; }
int SOCKCAWorld::GetHeartbeatInterval() const { return HeartbeatInterval; }
void SOCKCAWorld::SetHeartbeatInterval(int secs) { HeartbeatInterval = secs; }
int SOCKCAWorld::GetHeartbeatMaxMiss() const { return HeartbeatMaxMiss; }
void SOCKCAWorld::SetHeartbeatMaxMiss(int misses) { HeartbeatMaxMiss = misses; }
short SOCKCAWorld::GetRtPriority() const { return RtPriority; }
void SOCKCAWorld::SetRtPriority(short prio) { RtPriority = prio; }
bStr SOCKCAWorld::GetSockCAPrioClass() const { return SockCAPrioClass; }
void SOCKCAWorld::SetSockCAPrioClass(const bStr& cls) { SockCAPrioClass = cls; }
SOCKCAMsgRcvrPtr SOCKCAWorld::GetSockCAMsgRcvrPtr() const { return SockCAMsgRcvrPtr; }
void SOCKCAWorld::SetSOCKCAPriority() {}
PipeHeadPtr SOCKCAWorld::GetMxrPipeHeadPtr() const { return MxrPipeHeadPtr; }
