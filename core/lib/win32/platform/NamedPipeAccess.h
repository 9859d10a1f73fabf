// Who may connect to a listening pipe.
//
// Listening sockets are files 0660 in a 0770 directory, so only the owner and
// its group can reach them at all; every accepted peer is then checked by its
// kernel credentials (SO_PEERCRED, SO_PEERGROUPS) before the listener hands it
// out. The default admits root and the listener's own uid. The configured
// administrators' group plugs in through SetPipePeerCheck (and
// SetPipeSocketGroup, so that the group can open the socket files).
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

// True when the peer may use a listener owned by ownerUid.
using PipePeerCheck = bool (*)(const PipePeer& peer, uid_t ownerUid);

// Root, or the owner's uid.
bool DefaultPipePeerCheck(const PipePeer& peer, uid_t ownerUid);

// Installs the check that listeners call from now on; nullptr restores the default.
void SetPipePeerCheck(PipePeerCheck check);

// The installed check.
bool PipePeerAllowed(const PipePeer& peer, uid_t ownerUid);

// Group given to the socket files of listeners made from now on;
// (gid_t)-1 (the default) leaves the creator's group.
void SetPipeSocketGroup(gid_t group);
gid_t PipeSocketGroup();

}  // namespace portlib::platform
