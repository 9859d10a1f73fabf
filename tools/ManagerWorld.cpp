#include "ManagerWorld.h"

ManagerWorld::ManagerWorld() = default;

ManagerWorld::~ManagerWorld() { CleanUp(); }

void ManagerWorld::SetMxrPipeName(const bStr& name) { PipeName = name; }

bStr ManagerWorld::GetMxrPipeName() const { return PipeName; }

int ManagerWorld::Initialize() {
    int result = 0;
    Listener = AttachedPollAdptr::Listen(PipeName, &result);
    if (!Listener.Ok()) return result != 0 ? result : -1;
    Listener->Register();
    GetMxrPostOffice().CreateMailBox(bStr("_CaN_tAlK_"));
    return 0;
}

void ManagerWorld::CleanUp() {
    if (!Listener.Ok()) return;
    Listener->DeRegister();
    Listener = AttachedPollAdptrPtr();
}
