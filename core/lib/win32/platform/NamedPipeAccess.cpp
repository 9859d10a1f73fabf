#include "platform/NamedPipeAccess.h"

#include "platform/ObjSecurity.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
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

bool PipePeerOf(int fd, PipePeer* peer) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || len != sizeof cred) return false;
    peer->pid = cred.pid;
    peer->uid = cred.uid;
    peer->gid = cred.gid;
    peer->groups.assign(32, 0);
    for (int attempt = 0; attempt < 2; ++attempt) {
        socklen_t bytes = static_cast<socklen_t>(peer->groups.size() * sizeof(gid_t));
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERGROUPS, peer->groups.data(), &bytes) == 0) {
            peer->groups.resize(bytes / sizeof(gid_t));
            return true;
        }
        if (errno != ERANGE) break;
        peer->groups.assign(bytes / sizeof(gid_t) + 1, 0);
    }
    // Without the groups the check can still decide by uid.
    peer->groups.clear();
    return true;
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
