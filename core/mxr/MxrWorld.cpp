#include "MxrWorld.h"

#include "BaseAddrEnt.h"

MxrWorld::MxrWorld() {
    MxrPostOffice.SetHostLiveness(&Admin);
    BaseAddrEnt::SetRouteGoneObserver(&MxrWorld::RouteGone, this);
}

// Neither the post office nor the routes that the world's adapters release
// may reach an administrator that is gone.
MxrWorld::~MxrWorld() {
    BaseAddrEnt::SetRouteGoneObserver(nullptr, nullptr);
    MxrPostOffice.SetHostLiveness(nullptr);
}

void MxrWorld::RouteGone(void* self, const bStr& host, long pid, long tid) {
    if (!(host == BaseAddr::GetCurrentHostRef()) || BaseAddrEnt::LookUpRoute(host, pid, tid) != nullptr) return;
    static_cast<MxrWorld*>(self)->Admin.CommAgentGone(pid, tid);
}

PostOffice& MxrWorld::GetMxrPostOffice() { return MxrPostOffice; }

MxrAdmin& MxrWorld::GetMxrAdmin() { return Admin; }
