#include "platform/NamedPipeAccess.h"

#include <atomic>

namespace portlib::platform {

namespace {

std::atomic<PipePeerCheck> g_check{nullptr};
std::atomic<gid_t> g_socketGroup{static_cast<gid_t>(-1)};

}  // namespace

bool DefaultPipePeerCheck(const PipePeer& peer, uid_t ownerUid) {
    return peer.uid == 0 || peer.uid == ownerUid;
}

void SetPipePeerCheck(PipePeerCheck check) { g_check.store(check); }

bool PipePeerAllowed(const PipePeer& peer, uid_t ownerUid) {
    PipePeerCheck check = g_check.load();
    return check ? check(peer, ownerUid) : DefaultPipePeerCheck(peer, ownerUid);
}

void SetPipeSocketGroup(gid_t group) { g_socketGroup.store(group); }

gid_t PipeSocketGroup() { return g_socketGroup.load(); }

}  // namespace portlib::platform
