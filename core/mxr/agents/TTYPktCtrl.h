// The packet controller of the serial line: the framework's pipe controller
// with serial packets (TTYPktBufr). Packing makes packets of at most 520
// bytes (496 data bytes); unpacking collects one message's packets by pktId.
#pragma once

#include "PipePktCtrl.h"

class TTYPktCtrl : public PipePktCtrl {
    MXR_LOCAL_CLASS(TTYPktCtrl, PipePktCtrl);
    MXR_FIELDS();

public:
    // For packing.
    TTYPktCtrl();
    // For unpacking, from the first packet of a message that arrived.
    explicit TTYPktCtrl(const BasePktBufrPtr& first);
    ~TTYPktCtrl() override;

protected:
    // A new serial packet numbered with this stream's message number and
    // sized to the controller's largest packet.
    BasePktBufrPtr GetNewPktBufr() override;
};
MXR_COMPANIONS(TTYPktCtrl);
