#include "DestHostEnt.h"

#include "ClassDefine.h"
#include "EnumDefine.h"

MXR_CLASS_DEFINE(DestHostEnt, 56);
MXR_ENUM_TABLE(DestHostEnt, GetConnectionStatusCvtPtr, UNDEFINED, INITIALIZING, ALIVE, DEAD);

DestHostEnt::DestHostEnt() { MXR_METHOD_FRAME("DestHostEnt", 0); }

DestHostEnt::DestHostEnt(const bStr& remoteAlias_, const int& priority_, const bStr& localAlias_,
                         const bStr& devicePathName_, const bStr& remoteHostName_)
    : localAlias(localAlias_),
      remoteAlias(remoteAlias_),
      priority(priority_),
      devicePathName(devicePathName_),
      remoteHostName(remoteHostName_) {
    MXR_METHOD_FRAME("DestHostEnt", 5);
}

DestHostEnt::DestHostEnt(const bStr& remoteAlias_, const int& priority_, const bStr& localAlias_,
                         const bStr& devicePathName_, const bStr& remoteHostName_, const int& hbInterval_,
                         const int& hbMaxMiss_, const int& baudRate_)
    : localAlias(localAlias_),
      remoteAlias(remoteAlias_),
      priority(priority_),
      devicePathName(devicePathName_),
      remoteHostName(remoteHostName_),
      hbInterval(hbInterval_),
      hbMaxMiss(hbMaxMiss_),
      baudRate(baudRate_) {
    MXR_METHOD_FRAME("DestHostEnt", 8);
}

DestHostEnt::~DestHostEnt() { MXR_METHOD_FRAME("~DestHostEnt", 0); }

// Getters and setters, one pair per field.
#define DEST_HOST_ENT_ACCESSORS_(Name, Type, field) \
    Type DestHostEnt::Get##Name() const {           \
        MXR_METHOD_FRAME("Get" #Name, 0);           \
        return field;                               \
    }                                               \
    void DestHostEnt::Set##Name(Type value) {       \
        MXR_METHOD_FRAME("Set" #Name, 1);           \
        field = value;                              \
    }                                               \
    static_assert(true)

DEST_HOST_ENT_ACCESSORS_(LocalAlias, bStr, localAlias);
DEST_HOST_ENT_ACCESSORS_(RemoteAlias, bStr, remoteAlias);
DEST_HOST_ENT_ACCESSORS_(Priority, int, priority);
DEST_HOST_ENT_ACCESSORS_(DevicePathName, bStr, devicePathName);
DEST_HOST_ENT_ACCESSORS_(RemoteHostName, bStr, remoteHostName);
DEST_HOST_ENT_ACCESSORS_(HbInterval, int, hbInterval);
DEST_HOST_ENT_ACCESSORS_(HbMaxMiss, int, hbMaxMiss);
DEST_HOST_ENT_ACCESSORS_(BaudRate, int, baudRate);
DEST_HOST_ENT_ACCESSORS_(HbStatus, PipeHead::HeartBeatStatus, hbStatus);
DEST_HOST_ENT_ACCESSORS_(ConnectionStatus, DestHostEnt::ConnectionStatus, connectionStatus);

int DestHostEnt::IsaMatch(const DestHostEntPtr& other) const {
    MXR_METHOD_FRAME("IsaMatch", 1);
    if (other.GetPtr() == nullptr) return -1;
    const DestHostEnt& o = *other.GetPtr();
    return localAlias == o.localAlias && remoteAlias == o.remoteAlias && devicePathName == o.devicePathName ? 0 : -1;
}
