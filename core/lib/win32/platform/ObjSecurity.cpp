#include "platform/ObjSecurity.h"

#include "platform/RegistryStore.h"
#include "platform/Win32Error.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <grp.h>
#include <mutex>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace portlib::platform {

namespace {

// "1234" -> gid; anything else is a group name.
bool ParseGid(const std::string& text, gid_t* gid) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos || text.size() > 9) return false;
    *gid = static_cast<gid_t>(std::strtoul(text.c_str(), nullptr, 10));
    return true;
}

bool LookUpGroup(const std::string& name, gid_t* gid) {
    std::vector<char> buf(16384);
    struct group gr {};
    struct group* found = nullptr;
    while (::getgrnam_r(name.c_str(), &gr, buf.data(), buf.size(), &found) == ERANGE && buf.size() < (1u << 20))
        buf.resize(buf.size() * 2);
    if (found == nullptr) return false;
    *gid = found->gr_gid;
    return true;
}

bool UserInGroup(uid_t uid, gid_t primary, gid_t wanted) {
    std::vector<char> buf(16384);
    struct passwd pw {};
    struct passwd* found = nullptr;
    while (::getpwuid_r(uid, &pw, buf.data(), buf.size(), &found) == ERANGE && buf.size() < (1u << 20))
        buf.resize(buf.size() * 2);
    if (found == nullptr) return false;
    std::vector<gid_t> groups(64);
    int n = static_cast<int>(groups.size());
    if (::getgrouplist(found->pw_name, primary, groups.data(), &n) < 0) {
        groups.resize(static_cast<std::size_t>(n));
        if (::getgrouplist(found->pw_name, primary, groups.data(), &n) < 0) return false;
    }
    for (int i = 0; i < n; ++i)
        if (groups[static_cast<std::size_t>(i)] == wanted) return true;
    return false;
}

std::mutex g_buildMutex;
ObjSecurity g_processSecurity;
bool g_built = false;

}  // namespace

int ObjSecurity::Load() {
    owner = ::geteuid();
    hasAdminGroup = false;
    adminGroup = 0;
    std::string section = std::string(kProductKey) + "\\" + kAdminGroupSection;
    RegKey key;
    int rc = RegistryStore::OpenKey(RegHive::LocalMachine, section.c_str(), &key);
    if (rc == HV_ERROR_FILE_NOT_FOUND) return HV_ERROR_SUCCESS;
    if (rc != HV_ERROR_SUCCESS) return rc;
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    rc = RegistryStore::QueryValue(key, kAdminGroupValue, &type, nullptr, &size);
    if (rc == HV_ERROR_FILE_NOT_FOUND) return HV_ERROR_SUCCESS;
    if (rc != HV_ERROR_SUCCESS) return rc;
    if (type != HV_REG_SZ) return HV_ERROR_INVALID_DATA;
    std::vector<unsigned char> buf(size + 1);
    rc = RegistryStore::QueryValue(key, kAdminGroupValue, &type, buf.data(), &size);
    if (rc != HV_ERROR_SUCCESS) return rc;
    std::string name(reinterpret_cast<const char*>(buf.data()), ::strnlen(reinterpret_cast<const char*>(buf.data()), size));
    if (name.empty()) return HV_ERROR_SUCCESS;
    gid_t gid = 0;
    if (!ParseGid(name, &gid) && !LookUpGroup(name, &gid)) return HV_ERROR_NONE_MAPPED;
    hasAdminGroup = true;
    adminGroup = gid;
    return HV_ERROR_SUCCESS;
}

bool ObjSecurity::IsAdministrator(uid_t uid, gid_t gid) const {
    if (uid == 0 || uid == owner) return true;
    if (!hasAdminGroup) return false;
    if (gid == adminGroup) return true;
    return UserInGroup(uid, gid, adminGroup);
}

int ObjSecurity::Apply(const char* path) const {
    struct stat st {};
    if (::stat(path, &st) != 0) return errno;
    if (::chmod(path, S_ISDIR(st.st_mode) ? kDirMode : kFileMode) != 0) return errno;
    if (hasAdminGroup && st.st_gid != adminGroup && ::chown(path, static_cast<uid_t>(-1), adminGroup) != 0)
        return errno;
    return 0;
}

int ObjSecurity::Apply(int fd) const {
    struct stat st {};
    if (::fstat(fd, &st) != 0) return errno;
    if (::fchmod(fd, S_ISDIR(st.st_mode) ? kDirMode : kFileMode) != 0) return errno;
    if (hasAdminGroup && st.st_gid != adminGroup && ::fchown(fd, static_cast<uid_t>(-1), adminGroup) != 0)
        return errno;
    return 0;
}

const ObjSecurity* ObjSecurity::ForProcess() {
    std::lock_guard<std::mutex> guard(g_buildMutex);
    if (!g_built) {
        ObjSecurity s;
        if (s.Load() != HV_ERROR_SUCCESS) return nullptr;
        g_processSecurity = s;
        g_built = true;
    }
    return &g_processSecurity;
}

}  // namespace portlib::platform
