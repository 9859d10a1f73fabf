#include "BasePollAdptr.h"

#include "BaseWorld.h"
#include "ClassDefine.h"
#include "EnumDefine.h"
#include "MxrAssert.h"

MXR_LOCAL_CLASS_DEFINE(BasePollAdptr);
MXR_ENUM_TABLE(BasePollAdptr, GetEnWorkCvtPtr, NOWORK, DIDWORK);

BasePollAdptr::BasePollAdptr() { MXR_METHOD_FRAME("BasePollAdptr", 0); }

BasePollAdptr::~BasePollAdptr() { MXR_METHOD_FRAME("~BasePollAdptr", 0); }

void BasePollAdptr::PopulatePollInfo(hv::pollfd* p) {
    MXR_METHOD_FRAME("PopulatePollInfo", 1);
    static_cast<void>(p);
}

BasePollAdptr::enWork BasePollAdptr::ProcessRevents(hv::pollfd* p) {
    MXR_METHOD_FRAME("ProcessRevents", 1);
    static_cast<void>(p);
    return NOWORK;
}

portlib::platform::FdKind BasePollAdptr::FdKindOf(int fd) {
    // Every turn for every adapter: no trace frame.
    if (fd < 0) return portlib::platform::FdKind::Invalid;
    if (fd != KnownFd) {
        KnownKind = portlib::platform::GetFdKind(fd);
        KnownFd = fd;
    }
    return KnownKind;
}

void BasePollAdptr::ForgetFdKind() {
    MXR_METHOD_FRAME("ForgetFdKind", 0);
    KnownFd = -1;
    InterestChanged();
}

void BasePollAdptr::Register() {
    MXR_METHOD_FRAME("Register", 0);
    BaseWorld* worldPtr = BaseWorld::GetWorldPtr();
    MXR_ASSERT(worldPtr != 0, "worldPtr != 0", "BasePollAdptr");
    worldPtr->GetPollManager().Register(BasePollAdptrPtr(this));
}

void BasePollAdptr::DeRegister() {
    MXR_METHOD_FRAME("DeRegister", 0);
    if (BaseWorld* worldPtr = BaseWorld::GetWorldPtr()) worldPtr->GetPollManager().DeRegister(this);
}

int BasePollAdptr::TellsInterestChanges() const {
    MXR_METHOD_FRAME("TellsInterestChanges", 0);
    return 0;
}

void BasePollAdptr::InterestChanged() {
    MXR_METHOD_FRAME("InterestChanged", 0);
    if (Manager != nullptr) Manager->InterestChanged(this);
}

void BasePollAdptr::ExpectInput(bool more) {
    MXR_METHOD_FRAME("ExpectInput", 1);
    if (InputExpected == more) return;
    InputExpected = more;
    if (Manager != nullptr) Manager->InputExpected(this, more);
}
