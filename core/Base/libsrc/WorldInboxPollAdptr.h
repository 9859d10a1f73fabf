// The loop's side of a WorldInbox: waits for the inbox's wake-up descriptor
// and moves what other threads posted onto its world's message list, where
// it is dispatched like any message sent on the loop's thread.
//
// Lives only inside its process: local-only, so no peer can ever build one;
// its binary form is its class code alone.
#pragma once

#include <memory>

#include "BasePollAdptr.h"

class BaseWorld;
class WorldInbox;

class WorldInboxPollAdptr : public BasePollAdptr {
    MXR_LOCAL_CLASS(WorldInboxPollAdptr, BasePollAdptr);
    MXR_FIELDS();

public:
    WorldInboxPollAdptr(BaseWorld* world, std::shared_ptr<WorldInbox> inbox);
    ~WorldInboxPollAdptr() override;

    void PopulatePollInfo(hv::pollfd* p) override;
    enWork ProcessRevents(hv::pollfd* p) override;
    // 1: its entry never changes.
    int TellsInterestChanges() const override;

private:
    BaseWorld* World;
    std::shared_ptr<WorldInbox> Inbox;
};
MXR_COMPANIONS(WorldInboxPollAdptr);
