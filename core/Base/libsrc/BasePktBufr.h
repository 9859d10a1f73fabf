// One packet of a message's stream (abstract): a header and a data area, moved
// over a pipe or a line as one block. The controller (PipePktCtrl) reaches its
// packets only through these operations and makes them only through its own
// GetNewPktBufr, so another packet kind splits and assembles messages too.
#pragma once

#include "ClassPattern.h"

class BasePktBufr : public BaseVirtItem {
    MXR_ABSTRACT_CLASS(BasePktBufr, BaseVirtItem);
    MXR_FIELDS();

public:
    ~BasePktBufr() override;

    // slots 7-12: the header's message number, place and packet count.
    virtual unsigned short GetPktCtrlId() const = 0;
    virtual void SetPktCtrlId(unsigned short id) = 0;
    virtual unsigned short GetPktId() const = 0;
    virtual void SetPktId(unsigned short id) = 0;
    virtual int GetTotalPkts() const = 0;
    virtual void SetTotalPkts(unsigned short cnt) = 0;
    // slot 13: the data capacity.
    virtual unsigned short GetMaxDataBufrSize() const = 0;
    // slots 14-15: the packet size, header included; setting it sets the capacity.
    virtual int GetMaxPktSize() const = 0;
    virtual void SetMaxPktSize(int size) = 0;
    // slot 16: the data bytes held.
    virtual unsigned short GetDataBufrSize() const = 0;
    // slot 17: the first byte of the packet as it goes on the wire.
    virtual char* GetSendRecvAddr() = 0;
    // slot 18: stamps the header's size and returns the bytes to send.
    virtual int GetSendSize() = 0;
    // slot 19: room for the largest packet that may arrive.
    virtual int GetRecvSize() const = 0;
    // slot 20: takes the size of a received packet; non-zero refuses it.
    virtual int SetRecvdSize(int count) = 0;
    // slot 21
    virtual int GetPktHeaderSize() const = 0;
    // slots 22-23: the read or write position within the data.
    virtual unsigned short GetOffset() const = 0;
    virtual void SetOffset(unsigned short offset) = 0;
    // slot 24: copies up to cnt (> 0) data bytes out from the position;
    // returns the count copied, 0 when nothing is left.
    virtual int GetBytes(char* bytes, unsigned short cnt) = 0;
    // slot 25: copies up to cnt bytes in at the position; returns the count
    // copied, 0 when the packet is full.
    virtual int PutBytes(const char* bytes, unsigned short cnt) = 0;

protected:
    BasePktBufr();
};
MXR_COMPANIONS(BasePktBufr);
MXR_COMPANION_ARY(BasePktBufr);
