#include "platform/NamedPipeAccess.h"

#include "platform/ObjSecurity.h"

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
    if (process == nullptr) return false;
    ObjSecurity rule = *process;
    rule.owner = ownerUid;  // the listener's owner, whatever the process's uid is now
    return rule.IsAdministrator(peer.uid, peer.gid);
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
