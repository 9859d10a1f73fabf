// A receiver's row in its process's dynamic address table. Rows count from
// 1 (row 0 is never used) and are handed out round robin, so a freed row is
// reused as late as possible; each taking gets a new uniqueness number
// (never 0), which the receiver's DynamicAddr carries.
//
// The table is process-wide and unlocked: receivers are made, destroyed and
// resolved on the thread of the event loop. The fields never leave the
// process: the binary form is the class code alone.
#pragma once

#include "ClassPattern.h"

class BaseMsgRcvr;

class DynamicAddrEnt : public BaseVirtItem {
    MXR_LOCAL_CLASS(DynamicAddrEnt, BaseVirtItem);
    MXR_FIELDS();

public:
    // No row (the factory's instance).
    DynamicAddrEnt();
    // Takes a row for rcvr.
    explicit DynamicAddrEnt(BaseMsgRcvr* rcvr);
    // Frees the row.
    ~DynamicAddrEnt() override;

    unsigned short GetIdx() const;
    void SetIdx(unsigned short idx);
    unsigned short GetUniq() const;
    void SetUniq(unsigned short uniq);
    BaseMsgRcvr* GetMsgRcvrPtr() const;
    void SetMsgRcvrPtr(BaseMsgRcvr* rcvr);

    // Empties the row now, while others may still hold this entry: its
    // receiver is going, and addresses of it must resolve to nothing.
    void FreeRow();

    // The receiver in row idx when the row's uniqueness number is uniq, else null.
    static BaseMsgRcvr* LookUpRow(unsigned short idx, unsigned short uniq);

    static DynamicAddrEnt** GetDynamicAddrTblPtr();
    static void SetDynamicAddrTblPtr(DynamicAddrEnt** tbl);
    static int GetDynamicAddrTblSz();
    static void SetDynamicAddrTblSz(int sz);
    static int GetDynamicAddrTblCursor();
    static void SetDynamicAddrTblCursor(int cursor);
    static unsigned short GetDynamicAddrUniqCursor();
    static void SetDynamicAddrUniqCursor(unsigned short cursor);

private:
    unsigned short Idx;
    unsigned short Uniq;
    BaseMsgRcvr* MsgRcvrPtr;  // not counted: the receiver owns this row

    static DynamicAddrEnt** dynamicAddrTblPtr;
    static int dynamicAddrTblSz;
    static int dynamicAddrTblCursor;
    static unsigned short dynamicAddrUniqCursor;
};
MXR_COMPANIONS(DynamicAddrEnt);
