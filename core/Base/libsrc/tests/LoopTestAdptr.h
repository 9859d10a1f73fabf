// A poll adapter for the loop tests whose two operations are whatever the
// test makes them, and which counts its live instances.
#pragma once

#include <functional>

#include "BasePollAdptr.h"

class LoopTestAdptr : public BasePollAdptr {
    MXR_LOCAL_CLASS(LoopTestAdptr, BasePollAdptr);
    MXR_FIELDS();

public:
    LoopTestAdptr();
    explicit LoopTestAdptr(int fd, short events = POLLIN);
    ~LoopTestAdptr() override;

    void PopulatePollInfo(hv::pollfd* p) override;
    enWork ProcessRevents(hv::pollfd* p) override;
    int TellsInterestChanges() const override { return tells; }

    static int Live();

    int fd;
    short events;
    int tells = 0;  // 1: asked and served only as a telling adapter is
    int populated = 0;
    int served = 0;
    short lastRevents = 0;
    // Run inside the operations when set; onRevents' result is the adapter's.
    std::function<void(LoopTestAdptr*)> onPopulate;
    std::function<enWork(LoopTestAdptr*, hv::pollfd*)> onRevents;
    std::function<void()> onDestroy;
};
MXR_COMPANIONS(LoopTestAdptr);
