#include "platform/NamedPipeAccess.h"

#include "platform/ObjSecurity.h"

#include <algorithm>
#include <atomic>

namespace portlib::platform {

namespace {

constexpr gid_t kNoGroup = static_cast<gid_t>(-1);

std::atomic<PipePeerCheck> g_check{nullptr};
std::atomic<gid_t> g_socketGroup{kNoGroup};

}  // namespace

bool DefaultPipePeerCheck(const PipePeer& peer, uid_t ownerUid) {
    if (peer.uid == 0 || peer.uid == ownerUid) return true;
    const ObjSecurity* process = ObjSecurity::ForProcess();
    if (process == nullptr || !process->hasAdminGroup) return false;
    // The groups the kernel gave the peer decide, not the user database: it
    // may not know the peer's uid, nor the groups its process was given.
    const gid_t admin = process->adminGroup;
    return peer.gid == admin || std::find(peer.groups.begin(), peer.groups.end(), admin) != peer.groups.end();
}

void SetPipePeerCheck(PipePeerCheck check) { g_check.store(check); }

bool PipePeerAllowed(const PipePeer& peer, uid_t ownerUid) {
    PipePeerCheck check = g_check.load();
    return check ? check(peer, ownerUid) : DefaultPipePeerCheck(peer, ownerUid);
}

void SetPipeSocketGroup(gid_t group) { g_socketGroup.store(group); }

gid_t PipeSocketGroup() {
    gid_t group = g_socketGroup.load();
    if (group != kNoGroup) return group;
    const ObjSecurity* process = ObjSecurity::ForProcess();
    return process != nullptr && process->hasAdminGroup ? process->adminGroup : kNoGroup;
}

}  // namespace portlib::platform
