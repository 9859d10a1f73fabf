// Who may connect to a listening pipe.
//
// Listening sockets are files 0660 in a 0770 directory, so only the owner and
// its group can reach them at all; every accepted peer is then checked by its
// kernel credentials (SO_PEERCRED, SO_PEERGROUPS) before the listener hands it
// out. By default both follow the system's administrator rule (ObjSecurity.h):
// the socket files and their directories take the configured admin group, and
// the check admits root, the listener's owner and members of that group.
#pragma once

#include <sys/types.h>

#include <vector>

namespace portlib::platform {

struct PipePeer {
    pid_t pid = 0;
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;  // supplementary groups
};

// The kernel's credentials of the process at the other end of a connected
// pipe: pid, uid, gid (SO_PEERCRED) and supplementary groups (SO_PEERGROUPS;
// empty when the kernel does not give them). False when there are none.
bool PipePeerOf(int fd, PipePeer* peer);

// True when the peer may use a listener owned by ownerUid.
using PipePeerCheck = bool (*)(const PipePeer& peer, uid_t ownerUid);

// Root, ownerUid, or a member of the configured admin group by the peer's
// own primary or supplementary groups as the kernel reports them. Nobody
// else when the configured group is unknown.
bool DefaultPipePeerCheck(const PipePeer& peer, uid_t ownerUid);

// Installs the check that listeners call from now on; nullptr restores the default.
void SetPipePeerCheck(PipePeerCheck check);

// The installed check.
bool PipePeerAllowed(const PipePeer& peer, uid_t ownerUid);

// Group given to the socket files (and their directories) of listeners made
// from now on; (gid_t)-1 (the default) means the configured admin group, or
// the creator's group when none is configured.
void SetPipeSocketGroup(gid_t group);
gid_t PipeSocketGroup();

}  // namespace portlib::platform
