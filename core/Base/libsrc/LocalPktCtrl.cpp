#include "LocalPktCtrl.h"

#include "ClassDefine.h"

MXR_LOCAL_CLASS_DEFINE_CUSTOM(LocalPktCtrl);

LocalPktCtrl::LocalPktCtrl() { MXR_METHOD_FRAME("LocalPktCtrl", 0); }

LocalPktCtrl::~LocalPktCtrl() { MXR_METHOD_FRAME("~LocalPktCtrl", 0); }

// Slot 1 carries the controller's fields like any class; the pointer form
// never calls it for a LocalPktCtrl but writes the stored bytes instead.
int _serialize(BasePktCtrl& c, LocalPktCtrl& v) {
    MXR_FRAME_OF_(LocalPktCtrl, "_serialize", 2);
    return _serialize(c, static_cast<PipePktCtrl&>(v));
}

// The stored bytes are not shown: the field list is the root's, empty.
IoItemPtr GetIoItemFrom(const LocalPktCtrl& v) {
    MXR_FRAME_OF_(LocalPktCtrl, "GetIoItemFrom", 1);
    return GetIoItemFrom(static_cast<const BaseVirtItem&>(v));
}

int SetFromIoItem(const IoItemPtr& i, LocalPktCtrl& v) {
    MXR_FRAME_OF_(LocalPktCtrl, "SetFromIoItem", 2);
    static_cast<void>(i);
    static_cast<void>(v);
    return 0;
}
