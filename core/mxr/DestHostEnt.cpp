#include "DestHostEnt.h"

#include "ClassDefine.h"
#include "EnumDefine.h"
#include "RecordAccessors.h"

MXR_CLASS_DEFINE(DestHostEnt);
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

MXR_RECORD_ACCESSORS(DestHostEnt, LocalAlias, bStr, localAlias);
MXR_RECORD_ACCESSORS(DestHostEnt, RemoteAlias, bStr, remoteAlias);
MXR_RECORD_ACCESSORS(DestHostEnt, Priority, int, priority);
MXR_RECORD_ACCESSORS(DestHostEnt, DevicePathName, bStr, devicePathName);
MXR_RECORD_ACCESSORS(DestHostEnt, RemoteHostName, bStr, remoteHostName);
MXR_RECORD_ACCESSORS(DestHostEnt, HbInterval, int, hbInterval);
MXR_RECORD_ACCESSORS(DestHostEnt, HbMaxMiss, int, hbMaxMiss);
MXR_RECORD_ACCESSORS(DestHostEnt, BaudRate, int, baudRate);
MXR_RECORD_ACCESSORS(DestHostEnt, HbStatus, PipeHead::HeartBeatStatus, hbStatus);
MXR_RECORD_ACCESSORS(DestHostEnt, ConnectionStatus, DestHostEnt::ConnectionStatus, connectionStatus);

int DestHostEnt::IsaMatch(const DestHostEntPtr& other) const {
    MXR_METHOD_FRAME("IsaMatch", 1);
    if (other.GetPtr() == nullptr) return -1;
    const DestHostEnt& o = *other.GetPtr();
    return localAlias == o.localAlias && remoteAlias == o.remoteAlias && devicePathName == o.devicePathName ? 0 : -1;
}
