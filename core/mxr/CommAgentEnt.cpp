#include "CommAgentEnt.h"

#include <iostream>
#include <sstream>

#include "ClassDefine.h"
#include "EnumDefine.h"
#include "RecordAccessors.h"

MXR_LOCAL_CLASS_DEFINE(CommAgentEnt);
MXR_ENUM_TABLE(CommAgentEnt, GetCommAgentTypeCvtPtr, OTHER, TLI, TTY, SCSI, TARGETMODE, MANUAL, TTYMODEM);
MXR_ENUM_TABLE(CommAgentEnt, GetCommAgentStatusCvtPtr, UNDEFINED, INITIALIZING, ALIVE, DEAD);

int CommAgentEnt::tagValue = 0;

CommAgentEnt::CommAgentEnt() { MXR_METHOD_FRAME("CommAgentEnt", 0); }

CommAgentEnt::CommAgentEnt(const long& pid_, const long& tid_, const bStr& localAlias_, const CommAgentType& type_,
                           const bStr& devPathName_)
    : entTag(++tagValue),
      pid(pid_),
      tid(tid_),
      commAgentType(type_),
      devPathName(devPathName_),
      localAlias(localAlias_) {
    MXR_METHOD_FRAME("CommAgentEnt", 5);
}

CommAgentEnt::~CommAgentEnt() { MXR_METHOD_FRAME("~CommAgentEnt", 0); }

// Getters and setters, one pair per field.

MXR_RECORD_ACCESSORS(CommAgentEnt, EntTag, int, entTag);
MXR_RECORD_ACCESSORS(CommAgentEnt, Pid, long, pid);
MXR_RECORD_ACCESSORS(CommAgentEnt, Tid, long, tid);
MXR_RECORD_ACCESSORS(CommAgentEnt, CommAgentType, CommAgentEnt::CommAgentType, commAgentType);
MXR_RECORD_ACCESSORS(CommAgentEnt, CommAgentStatus, CommAgentEnt::CommAgentStatus, commAgentStatus);
MXR_RECORD_ACCESSORS(CommAgentEnt, DevPathName, bStr, devPathName);
MXR_RECORD_ACCESSORS(CommAgentEnt, LocalAlias, bStr, localAlias);

DestHostEntLst& CommAgentEnt::GetCommPathLst() {
    MXR_METHOD_FRAME("GetCommPathLst", 0);
    return commPathLst;
}

const DestHostEntLst& CommAgentEnt::GetCommPathLst() const {
    MXR_METHOD_FRAME("GetCommPathLst", 0);
    return commPathLst;
}

int CommAgentEnt::GetTagValue() {
    MXR_METHOD_FRAME("GetTagValue", 0);
    return tagValue;
}

void CommAgentEnt::SetTagValue(int value) {
    MXR_METHOD_FRAME("SetTagValue", 1);
    tagValue = value;
}

int CommAgentEnt::AddPath(DestHostEntPtr path) {
    MXR_METHOD_FRAME("AddPath", 1);
    commPathLst.Append(path);
    return 0;
}

int CommAgentEnt::DelPath(DestHostEntPtr path) {
    MXR_METHOD_FRAME("DelPath", 1);
    const bStr remote = path.GetPtr() != nullptr ? path->GetRemoteAlias() : bStr("");
    const bStr device = path.GetPtr() != nullptr ? path->GetDevicePathName() : bStr("");
    std::ostringstream line;
    DestHostEntLstIter it(commPathLst);
    for (DestHostEntPtr p = it.First(); p.GetPtr() != nullptr; p = it.Next()) {
        if (p->GetRemoteAlias() == remote && p->GetDevicePathName() == device) {
            line << "CommAgentEnt::DelPath RemoteHost " << remote << "device Path " << device
                 << " found.  Delete it.\n";
            std::cerr << line.str() << std::flush;
            it.DeleteCurrentItem();
            return 0;
        }
    }
    line << "CommAgentEnt::DelPath RemoteAlias " << remote << "device Path " << device << " not found in commPathLst\n";
    std::cerr << line.str() << std::flush;
    return -1;
}

int CommAgentEnt::IsaMatch(const CommAgentType& type, const bStr& alias, const bStr& devPathName_) const {
    MXR_METHOD_FRAME("IsaMatch", 3);
    static_cast<void>(devPathName_);
    if (type != commAgentType) return -1;
    if (!(localAlias == "") && !(alias == "") && !(localAlias == alias)) return -1;
    return 0;
}
