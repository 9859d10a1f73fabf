// The row of a well-known name in the process's logical address table: the
// name (also the row's index) and the address of the receiver that serves
// it. A receiver that serves a name makes the row in its constructor and
// keeps it for its life; a second registration of a name replaces the first
// with a warning, and the displaced row then leaves the table alone.
//
// The table is process-wide and unlocked (the event loop's thread). The
// fields never leave the process: the binary form is the class code alone.
#pragma once

#include "BaseAddr.h"
#include "ClassPattern.h"
#include "LogicalAddr.h"

class LogicalAddrEnt : public BaseVirtItem {
    MXR_LOCAL_CLASS(LogicalAddrEnt, BaseVirtItem);
    MXR_FIELDS();

public:
    // Name 0, no address; not entered (the factory's instance).
    LogicalAddrEnt();
    // Enters row name.
    LogicalAddrEnt(LogicalAddr::enLogicalName name, BaseAddrPtr addr);
    // Frees the row when it is still this entry's.
    ~LogicalAddrEnt() override;

    LogicalAddr::enLogicalName GetLogicalName() const;
    void SetLogicalName(LogicalAddr::enLogicalName name);
    BaseAddrPtr GetAddrPtr() const;
    void SetAddrPtr(BaseAddrPtr addr);

    // The receiver that the stored address resolves to, or null.
    BaseMsgRcvr* GetMsgRcvrAddr() const;

    // The receiver serving name in this process, or null.
    static BaseMsgRcvr* LookUpName(int name);

    static LogicalAddrEnt** GetLogicalAddrTblPtr();
    static void SetLogicalAddrTblPtr(LogicalAddrEnt** tbl);
    static int GetLogicalAddrTblSz();
    static void SetLogicalAddrTblSz(int sz);

private:
    LogicalAddr::enLogicalName LogicalName;
    BaseAddrPtr AddrPtr;

    static LogicalAddrEnt** logicalAddrTblPtr;
    static int logicalAddrTblSz;
};
MXR_COMPANIONS(LogicalAddrEnt);
