// A packet controller used as a byte store: the complete encoded form of one
// object of a class this program does not know, from its class code to its last
// byte. The pointer form reads such an object into it and writes the stored
// bytes out again unchanged, so the object passes through (in a message kept in
// a mailbox, say). Its own s-expression shows no bytes: (LocalPktCtrl).
#pragma once

#include "PipePktCtrl.h"

class LocalPktCtrl : public PipePktCtrl {
    MXR_LOCAL_CLASS(LocalPktCtrl, PipePktCtrl);
    MXR_FIELDS();

public:
    // An empty store, as a packing controller.
    LocalPktCtrl();
    ~LocalPktCtrl() override;
};
MXR_COMPANION_PTR(LocalPktCtrl);
