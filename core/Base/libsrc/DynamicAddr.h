// The address of one receiver object: its thread's host, pid and tid, and
// its row in that process's dynamic address table with the row's uniqueness
// number. A reused row gets a new number, so the address of a receiver that
// is gone never reaches its row's next owner.
#pragma once

#include "BaseAddr.h"

class DynamicAddr : public BaseAddr {
    MXR_CLASS(DynamicAddr, BaseAddr);
    MXR_FIELDS(MXR_FIELD("idx", idx), MXR_FIELD("uniq", uniq));

public:
    // The calling thread, row 0 (nothing): the factory's instance.
    DynamicAddr();
    // The calling thread and the given row.
    DynamicAddr(unsigned short idx, unsigned short uniq);
    ~DynamicAddr() override;

    unsigned short GetIdx() const;
    void SetIdx(unsigned short idx);
    unsigned short GetUniq() const;
    void SetUniq(unsigned short uniq);

    // The receiver in this thread's row, when the row still has the same
    // uniqueness number; another thread or process: the route lookup.
    BaseMsgRcvr* GetMsgRcvrAddr() const override;

private:
    unsigned short idx;
    unsigned short uniq;
};
MXR_COMPANIONS(DynamicAddr);
