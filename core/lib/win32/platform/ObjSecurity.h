// Administrator-only objects on Linux: what NT expresses as an access list
// for the Administrators group is here a file mode plus an admin group.
// Directories are made 0770, files (sockets, segments, lock files) 0660, owned
// by the creating user; the admin group, when configured, becomes the
// object's group. An administrator is root, the owner's uid, or a member of
// the admin group.
//
// The admin group is configured per system in the registry: value
// "AdminGroup" (REG_SZ, a group name or a decimal gid) of the section
// "General" of the product key. Without it only root and the owner are
// administrators.
#pragma once

#include <sys/types.h>

namespace portlib::platform {

inline constexpr const char* kAdminGroupSection = "General";
inline constexpr const char* kAdminGroupValue = "AdminGroup";
inline constexpr int HV_ERROR_NONE_MAPPED = 1332;  // the configured group does not exist

class ObjSecurity {
public:
    static constexpr mode_t kDirMode = 0770;
    static constexpr mode_t kFileMode = 0660;

    uid_t owner = 0;
    bool hasAdminGroup = false;
    gid_t adminGroup = 0;

    // Reads the configuration now: owner = this process's effective uid.
    // 0, or 1332 when the configured group is unknown, 13 when the value is
    // not a string, or the registry's error.
    int Load();

    // The check the named-pipe layer makes on a peer's SO_PEERCRED uid and gid.
    bool IsAdministrator(uid_t uid, gid_t gid) const;

    // Gives an object made by this process its mode (dir or file) and, when
    // configured, the admin group. 0 or errno.
    int Apply(const char* path) const;
    int Apply(int fd) const;

    // The process's descriptor, built once (thread-safe); null when building
    // failed, in which case the next call tries again.
    static const ObjSecurity* ForProcess();
};

}  // namespace portlib::platform
