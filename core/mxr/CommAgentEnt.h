// One communication agent known to the administrator: its tag, the process
// and thread it registered from, its kind, alias and device, and the paths
// it serves. Never leaves the manager: neither form carries a field (the
// binary form is the class code alone, the text form the class name).
#pragma once

#include "ClassPattern.h"
#include "DestHostEnt.h"
#include "EnumPattern.h"
#include "bStr.h"

class CommAgentEnt : public BaseVirtItem {
    MXR_LOCAL_CLASS(CommAgentEnt, BaseVirtItem);
    MXR_FIELDS();

public:
    // 4 bytes on the wire.
    enum CommAgentType : int { OTHER = 0, TLI = 1, TTY = 2, SCSI = 3, TARGETMODE = 4, MANUAL = 5, TTYMODEM = 6 };
    MXR_ENUM(CommAgentType, GetCommAgentTypeCvtPtr);
    enum CommAgentStatus : int { UNDEFINED = 0, INITIALIZING = 1, ALIVE = 2, DEAD = 3 };
    MXR_ENUM(CommAgentStatus, GetCommAgentStatusCvtPtr);

    // No tag, pid and tid 0, OTHER, UNDEFINED, empty strings and list (the
    // factory's instance).
    CommAgentEnt();
    // Takes the next tag; status UNDEFINED, no paths.
    CommAgentEnt(const long& pid_, const long& tid_, const bStr& localAlias_, const CommAgentType& type_,
                 const bStr& devPathName_);
    ~CommAgentEnt() override;

    int GetEntTag() const;
    void SetEntTag(int value);
    long GetPid() const;
    void SetPid(long value);
    long GetTid() const;
    void SetTid(long value);
    CommAgentType GetCommAgentType() const;
    void SetCommAgentType(CommAgentType value);
    CommAgentStatus GetCommAgentStatus() const;
    void SetCommAgentStatus(CommAgentStatus value);
    bStr GetDevPathName() const;
    void SetDevPathName(bStr value);
    bStr GetLocalAlias() const;
    void SetLocalAlias(bStr value);
    // The list itself, for walking and changing in place.
    DestHostEntLst& GetCommPathLst();
    const DestHostEntLst& GetCommPathLst() const;

    // The process-wide tag counter: the last tag given (0 at load).
    static int GetTagValue();
    static void SetTagValue(int value);

    // Appends path at the tail, duplicates and all; 0.
    int AddPath(DestHostEntPtr path);
    // Removes the first path whose remote alias and device path name equal
    // path's (its local alias plays no part): 0, or -1 when none matches.
    // Writes one line to stderr either way.
    int DelPath(DestHostEntPtr path);
    // 0 when the kind is this agent's and the aliases agree (an empty alias
    // on either side agrees with any); the device is not compared. Else -1.
    int IsaMatch(const CommAgentType& type, const bStr& alias, const bStr& devPathName) const;

private:
    int entTag = 0;
    long pid = 0;
    long tid = 0;
    DestHostEntLst commPathLst;
    CommAgentType commAgentType = OTHER;
    CommAgentStatus commAgentStatus = UNDEFINED;
    bStr devPathName;
    bStr localAlias;

    static int tagValue;
};
MXR_COMPANIONS(CommAgentEnt);
