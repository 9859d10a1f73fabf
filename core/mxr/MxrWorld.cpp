#include "MxrWorld.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include "BaseAddrEnt.h"
#include "HVShutdownPriority.h"

namespace {

// The pipe's name: one per process, set by the host program before its
// world starts.
std::string pipeName;
bool pipeNameSet = false;

// The C library's error for a pipe that could not be made, so that perror
// says why.
int ErrnoOfPipeError(int win32) {
    switch (win32) {
    case 231: return EADDRINUSE;  // another manager listens on the name
    case 5: return EACCES;
    case 53: return ENOENT;
    case 206: return ENAMETOOLONG;
    case 123: return EINVAL;
    default: return EIO;
    }
}

}  // namespace

MxrWorld::MxrWorld() {
    MxrPostOffice.SetHostLiveness(&Admin);
    BaseAddrEnt::SetRouteGoneObserver(&MxrWorld::RouteGone, this);
}

// Neither the post office nor the routes that the world's adapters release
// may reach an administrator that is gone.
MxrWorld::~MxrWorld() {
    CleanUp();
    BaseAddrEnt::SetRouteGoneObserver(nullptr, nullptr);
    MxrPostOffice.SetHostLiveness(nullptr);
}

void MxrWorld::RouteGone(void* self, const bStr& host, long pid, long tid) {
    if (!(host == BaseAddr::GetCurrentHostRef()) || BaseAddrEnt::LookUpRoute(host, pid, tid) != nullptr) return;
    static_cast<MxrWorld*>(self)->Admin.CommAgentGone(pid, tid);
}

int MxrWorld::Initialize() {
    const char* name = GetMxrPipeName();
    std::printf("MxrPipeName: %s\n", name != nullptr ? name : "(null)");
    std::fflush(stdout);
    int result = 0;
    if (name != nullptr) Listener = AttachedPollAdptr::Listen(bStr(name), &result);
    if (!Listener.Ok()) {
        errno = name == nullptr ? EINVAL : ErrnoOfPipeError(result);
        std::perror("CreateNamedPipe: control pipe");
        return -1;
    }
    Listener->Register();
    MxrPostOffice.CreateMailBox(bStr("_CaN_tAlK_"));
    return 0;
}

void MxrWorld::CleanUp() {
    if (!Listener.Ok()) return;
    Listener->DeRegister();
    Listener = AttachedPollAdptrPtr();
}

void MxrWorld::SetMxrPriority() {}

void MxrWorld::SetMxrShutdownPriority() { portlib::SetHVShutdownPriority(0); }

PostOffice& MxrWorld::GetMxrPostOffice() { return MxrPostOffice; }

MxrAdmin& MxrWorld::GetMxrAdmin() { return Admin; }

AttachedPollAdptrPtr& MxrWorld::GetAttachedPollAdptrPtr() { return Listener; }

std::int16_t MxrWorld::GetRtPriority() const { return RtPriority; }
void MxrWorld::SetRtPriority(std::int16_t priority) { RtPriority = priority; }
std::int16_t MxrWorld::GetTsPriority() const { return TsPriority; }
void MxrWorld::SetTsPriority(std::int16_t priority) { TsPriority = priority; }
std::uint32_t MxrWorld::GetRttqSecs() const { return RttqSecs; }
void MxrWorld::SetRttqSecs(std::uint32_t secs) { RttqSecs = secs; }
std::int32_t MxrWorld::GetRttqNSecs() const { return RttqNSecs; }
void MxrWorld::SetRttqNSecs(std::int32_t nsecs) { RttqNSecs = nsecs; }
bStr MxrWorld::GetMxrPrioClass() const { return MxrPrioClass; }
void MxrWorld::SetMxrPrioClass(const bStr& prioClass) { MxrPrioClass = prioClass; }

const char* MxrWorld::GetMxrPipeName() {
    return pipeNameSet ? pipeName.c_str() : nullptr;
}

void MxrWorld::SetMxrPipeName(const char* name) {
    pipeNameSet = name != nullptr;
    pipeName = name != nullptr ? name : "";
}
