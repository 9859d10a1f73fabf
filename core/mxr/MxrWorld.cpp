#include "MxrWorld.h"

MxrWorld::MxrWorld() { MxrPostOffice.SetHostLiveness(&Admin); }

// The post office must not ask an administrator that is gone.
MxrWorld::~MxrWorld() { MxrPostOffice.SetHostLiveness(nullptr); }

PostOffice& MxrWorld::GetMxrPostOffice() { return MxrPostOffice; }

MxrAdmin& MxrWorld::GetMxrAdmin() { return Admin; }
