#include "WorldInboxPollAdptr.h"

#include "BaseWorld.h"
#include "ClassDefine.h"
#include "WorldInbox.h"

// Never made from a peer's bytes: it stands for a place in this process's
// loop, so it is local-only (no factory).
MXR_LOCAL_CLASS_DEFINE(WorldInboxPollAdptr);

WorldInboxPollAdptr::WorldInboxPollAdptr(BaseWorld* world, std::shared_ptr<WorldInbox> inbox)
    : World(world), Inbox(std::move(inbox)) {
    MXR_METHOD_FRAME("WorldInboxPollAdptr", 2);
}

WorldInboxPollAdptr::~WorldInboxPollAdptr() { MXR_METHOD_FRAME("~WorldInboxPollAdptr", 0); }

void WorldInboxPollAdptr::PopulatePollInfo(hv::pollfd* p) {
    MXR_METHOD_FRAME("PopulatePollInfo", 1);
    p->fd = Inbox ? Inbox->GetFd() : -1;
    p->events = POLLIN;
}

BasePollAdptr::enWork WorldInboxPollAdptr::ProcessRevents(hv::pollfd* p) {
    MXR_METHOD_FRAME("ProcessRevents", 1);
    if (!(p->revents & POLLIN) || !Inbox || World == nullptr) return NOWORK;
    return Inbox->MoveInto(World->GetMsgList()) > 0 ? DIDWORK : NOWORK;
}

int WorldInboxPollAdptr::TellsInterestChanges() const {
    MXR_METHOD_FRAME("TellsInterestChanges", 0);
    return 1;
}
