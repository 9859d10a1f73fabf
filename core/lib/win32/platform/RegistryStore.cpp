#include "platform/RegistryStore.h"

#include "platform/AtomicFileWrite.h"
#include "platform/RegistryKeyLock.h"
#include "platform/RegistryName.h"
#include "platform/RegistryValueFile.h"
#include "platform/SystemDir.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace portlib::platform {

namespace {

constexpr const char* kNameFile = ".name";
constexpr std::size_t kMaxKeyNameFile = 4096;

int MapErrno(int err) {
    switch (err) {
    case 0: return HV_ERROR_SUCCESS;
    case ENOENT:
    case ENOTDIR: return HV_ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return HV_ERROR_ACCESS_DENIED;
    case ENOMEM: return HV_ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG: return HV_ERROR_FILENAME_EXCED_RANGE;
    case ENOSPC:
    case EDQUOT: return HV_ERROR_DISK_FULL;
    case EIDRM: return HV_ERROR_KEY_DELETED;
    default: return HV_ERROR_REGISTRY_IO_FAILED;
    }
}

// A lock on a key that is meant to exist: its absence means the key went away.
int LockKey(RegistryKeyLock& lock, const std::string& dir, RegistryKeyLock::Mode mode) {
    int rc = lock.Lock(dir, mode);
    if (rc == ENOENT || rc == EIDRM) return HV_ERROR_KEY_DELETED;
    return MapErrno(rc);
}

// Splits "A\B\C" into its names. 87 for an empty name inside the path.
int SplitPath(const char* subKey, std::vector<std::string>* names) {
    names->clear();
    if (subKey == nullptr || *subKey == '\0') return HV_ERROR_SUCCESS;
    std::string_view rest(subKey);
    for (;;) {
        std::size_t sep = rest.find('\\');
        std::string_view name = rest.substr(0, sep);
        if (name.empty()) return HV_ERROR_INVALID_PARAMETER;
        names->emplace_back(name);
        if (sep == std::string_view::npos) break;
        rest.remove_prefix(sep + 1);
    }
    return HV_ERROR_SUCCESS;
}

std::string HiveDir(RegHive) { return SystemPath(SysArea::Registry) + "/hkey_local_machine"; }

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool KeyExists(const std::string& dir) {
    return IsDirectory(dir) && ::access((dir + "/" + RegistryKeyLock::kLockFile).c_str(), F_OK) == 0;
}

int MakeDir(const std::string& dir, bool* made) {
    *made = false;
    if (::mkdir(dir.c_str(), 0770) == 0) {
        *made = true;
        return ::chmod(dir.c_str(), 0770) == 0 ? 0 : errno;
    }
    if (errno != EEXIST) return errno;
    return IsDirectory(dir) ? 0 : ENOTDIR;
}

// Completes a key directory: lock file, then the spelling of its name (the
// first spelling stays).
int FinishKey(const std::string& dir, const std::string& spelling) {
    int rc = RegistryKeyLock::CreateLockFile(dir);
    if (rc != 0) return rc;
    std::string namePath = dir + "/" + kNameFile;
    if (::access(namePath.c_str(), F_OK) == 0) return 0;
    rc = WriteFileAtomically(namePath, spelling, 0660, AtomicMode::CreateOnly);
    return rc == EEXIST ? 0 : rc;
}

int EnsureHive(RegHive hive) {
    int rc = EnsureSystemPath(SysArea::Registry);
    if (rc != 0) return rc;
    bool made = false;
    std::string dir = HiveDir(hive);
    rc = MakeDir(dir, &made);
    if (rc != 0) return rc;
    return FinishKey(dir, "HKEY_LOCAL_MACHINE");
}

// The entries of a key directory in file-name order, without the store's own
// files (every name that starts with '.', except the default value ".val").
int ListKeyDir(const std::string& dir, bool wantDirs, std::vector<std::string>* out) {
    out->clear();
    ::DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return errno;
    while (struct ::dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        bool isDir = false;
        if (e->d_type == DT_DIR) {
            isDir = true;
        } else if (e->d_type == DT_UNKNOWN) {
            isDir = IsDirectory(dir + "/" + name);
        }
        if (wantDirs) {
            if (isDir && name[0] != '.') out->push_back(name);
        } else if (!isDir && name.size() >= RegistryName::kValueSuffix.size() &&
                   name.compare(name.size() - RegistryName::kValueSuffix.size(), std::string::npos,
                                RegistryName::kValueSuffix) == 0 &&
                   (name[0] != '.' || name == RegistryName::kValueSuffix)) {
            out->push_back(name);
        }
    }
    ::closedir(d);
    std::sort(out->begin(), out->end());
    return 0;
}

int CopyName(const std::string& name, char* buf, std::uint32_t* size) {
    if (size == nullptr) return HV_ERROR_INVALID_PARAMETER;
    if (buf == nullptr || name.size() + 1 > *size) {
        *size = static_cast<std::uint32_t>(name.size() + 1);
        return HV_ERROR_MORE_DATA;
    }
    std::memcpy(buf, name.data(), name.size());
    buf[name.size()] = '\0';
    *size = static_cast<std::uint32_t>(name.size());
    return HV_ERROR_SUCCESS;
}

bool IsStringType(std::uint32_t type) {
    return type == HV_REG_SZ || type == HV_REG_EXPAND_SZ || type == HV_REG_MULTI_SZ;
}

// Stored strings need not carry their terminator; what a caller gets does.
void Terminate(std::uint32_t type, std::string* data) {
    if (type == HV_REG_MULTI_SZ) {
        while (data->size() < 2 || (*data)[data->size() - 1] != '\0' || (*data)[data->size() - 2] != '\0')
            data->push_back('\0');
    } else if (data->empty() || data->back() != '\0') {
        data->push_back('\0');
    }
}

int WalkOpen(const std::string& base, const char* subKey, std::string* dirOut) {
    std::vector<std::string> names;
    int rc = SplitPath(subKey, &names);
    if (rc != 0) return rc;
    std::string dir = base;
    for (const auto& n : names) {
        std::string d = RegistryName::KeyDir(n);
        if (d.empty()) return HV_ERROR_FILENAME_EXCED_RANGE;
        dir += "/" + d;
    }
    if (!KeyExists(dir)) return HV_ERROR_FILE_NOT_FOUND;
    *dirOut = dir;
    return HV_ERROR_SUCCESS;
}

}  // namespace

int RegistryStore::OpenKey(RegHive hive, const char* subKey, RegKey* key) {
    RegKey root;
    root.dir_ = HiveDir(hive);
    return OpenKey(root, subKey, key);
}

int RegistryStore::OpenKey(const RegKey& parent, const char* subKey, RegKey* key) {
    if (key == nullptr || !parent.IsOpen()) return HV_ERROR_INVALID_PARAMETER;
    std::string dir;
    int rc = WalkOpen(parent.dir_, subKey, &dir);
    if (rc == 0) key->dir_ = dir;
    return rc;
}

int RegistryStore::CreateKey(RegHive hive, const char* subKey, RegKey* key, bool* created) {
    int rc = EnsureHive(hive);
    if (rc != 0) return MapErrno(rc);
    RegKey root;
    root.dir_ = HiveDir(hive);
    return CreateKey(root, subKey, key, created);
}

int RegistryStore::CreateKey(const RegKey& parent, const char* subKey, RegKey* key, bool* created) {
    if (key == nullptr || !parent.IsOpen()) return HV_ERROR_INVALID_PARAMETER;
    if (created) *created = false;
    std::vector<std::string> names;
    int rc = SplitPath(subKey, &names);
    if (rc != 0) return rc;
    std::string dir = parent.dir_;
    bool lastMade = false;
    for (const auto& n : names) {
        std::string d = RegistryName::KeyDir(n);
        if (d.empty()) return HV_ERROR_FILENAME_EXCED_RANGE;
        std::string child = dir + "/" + d;
        // The parent's lock orders this against a deletion of the child.
        RegistryKeyLock lock;
        rc = LockKey(lock, dir, RegistryKeyLock::Mode::Exclusive);
        if (rc != 0) return rc;
        rc = MakeDir(child, &lastMade);
        if (rc == 0) rc = FinishKey(child, n);
        if (rc != 0) return MapErrno(rc);
        dir = child;
    }
    if (names.empty() && !KeyExists(dir)) return HV_ERROR_KEY_DELETED;
    if (created) *created = lastMade;
    key->dir_ = dir;
    return HV_ERROR_SUCCESS;
}

int RegistryStore::QueryValue(const RegKey& key, const char* name, std::uint32_t* type, unsigned char* data,
                              std::uint32_t* size) {
    if (!key.IsOpen()) return HV_ERROR_INVALID_PARAMETER;
    if (data != nullptr && size == nullptr) return HV_ERROR_INVALID_PARAMETER;
    std::string file = RegistryName::ValueFile(name ? name : "");
    if (file.empty()) return HV_ERROR_FILE_NOT_FOUND;
    RegistryValueFile value;
    int rc = value.Read(key.dir_ + "/" + file);
    if (rc != 0) return MapErrno(rc == EBADMSG ? EIO : rc);
    if (IsStringType(value.type)) Terminate(value.type, &value.data);
    if (type) *type = value.type;
    std::uint32_t needed = static_cast<std::uint32_t>(value.data.size());
    if (data == nullptr) {
        if (size) *size = needed;
        return HV_ERROR_SUCCESS;
    }
    if (*size < needed) {
        *size = needed;
        return HV_ERROR_MORE_DATA;
    }
    if (needed) std::memcpy(data, value.data.data(), needed);
    *size = needed;
    return HV_ERROR_SUCCESS;
}

int RegistryStore::SetValue(const RegKey& key, const char* name, std::uint32_t type, const unsigned char* data,
                            std::uint32_t size) {
    if (!key.IsOpen()) return HV_ERROR_INVALID_PARAMETER;
    if ((data == nullptr && size != 0) || size > RegistryValueFile::kMaxData) return HV_ERROR_INVALID_PARAMETER;
    RegistryValueFile value;
    value.name = name ? name : "";
    value.type = type;
    if (size) value.data.assign(reinterpret_cast<const char*>(data), size);
    std::string file = RegistryName::ValueFile(value.name);
    if (file.empty()) return HV_ERROR_FILENAME_EXCED_RANGE;
    RegistryKeyLock lock;
    int rc = LockKey(lock, key.dir_, RegistryKeyLock::Mode::Exclusive);
    if (rc != 0) return rc;
    return MapErrno(value.Write(key.dir_ + "/" + file));
}

int RegistryStore::EnumValue(const RegKey& key, std::uint32_t index, char* name, std::uint32_t* nameSize,
                             std::uint32_t* type) {
    if (!key.IsOpen() || nameSize == nullptr) return HV_ERROR_INVALID_PARAMETER;
    RegistryKeyLock lock;
    int rc = LockKey(lock, key.dir_, RegistryKeyLock::Mode::Shared);
    if (rc != 0) return rc == HV_ERROR_KEY_DELETED ? HV_ERROR_FILE_NOT_FOUND : rc;
    std::vector<std::string> files;
    rc = ListKeyDir(key.dir_, false, &files);
    if (rc != 0) return MapErrno(rc);
    if (index >= files.size()) return HV_ERROR_NO_MORE_ITEMS;
    const std::string& file = files[index];
    RegistryValueFile value;
    std::string spelling;
    if (value.Read(key.dir_ + "/" + file) == 0) {
        spelling = value.name;
        if (type) *type = value.type;
    } else {
        // A damaged file still lists, under its folded name.
        spelling = RegistryName::Unfold(std::string_view(file).substr(0, file.size() - RegistryName::kValueSuffix.size()));
        if (type) *type = HV_REG_NONE;
    }
    return CopyName(spelling, name, nameSize);
}

int RegistryStore::EnumKey(const RegKey& key, std::uint32_t index, char* name, std::uint32_t* nameSize) {
    if (!key.IsOpen() || nameSize == nullptr) return HV_ERROR_INVALID_PARAMETER;
    RegistryKeyLock lock;
    int rc = LockKey(lock, key.dir_, RegistryKeyLock::Mode::Shared);
    if (rc != 0) return rc == HV_ERROR_KEY_DELETED ? HV_ERROR_FILE_NOT_FOUND : rc;
    std::vector<std::string> dirs;
    rc = ListKeyDir(key.dir_, true, &dirs);
    if (rc != 0) return MapErrno(rc);
    if (index >= dirs.size()) return HV_ERROR_NO_MORE_ITEMS;
    std::string spelling;
    if (ReadWholeFile(key.dir_ + "/" + dirs[index] + "/" + kNameFile, &spelling, kMaxKeyNameFile) != 0 ||
        spelling.empty())
        spelling = RegistryName::Unfold(dirs[index]);
    return CopyName(spelling, name, nameSize);
}

int RegistryStore::DeleteValue(const RegKey& key, const char* name) {
    if (!key.IsOpen()) return HV_ERROR_INVALID_PARAMETER;
    std::string file = RegistryName::ValueFile(name ? name : "");
    if (file.empty()) return HV_ERROR_FILE_NOT_FOUND;
    RegistryKeyLock lock;
    int rc = LockKey(lock, key.dir_, RegistryKeyLock::Mode::Exclusive);
    if (rc != 0) return rc == HV_ERROR_KEY_DELETED ? HV_ERROR_FILE_NOT_FOUND : rc;
    if (::unlink((key.dir_ + "/" + file).c_str()) != 0) return MapErrno(errno);
    return MapErrno(SyncDirectory(key.dir_));
}

int RegistryStore::DeleteKey(const RegKey& parent, const char* subKey) {
    if (!parent.IsOpen() || subKey == nullptr || *subKey == '\0') return HV_ERROR_INVALID_PARAMETER;
    std::string path(subKey);
    std::size_t sep = path.rfind('\\');
    RegKey owner;
    int rc = OpenKey(parent, sep == std::string::npos ? nullptr : path.substr(0, sep).c_str(), &owner);
    if (rc != 0) return rc;
    std::string last = sep == std::string::npos ? path : path.substr(sep + 1);
    std::string d = RegistryName::KeyDir(last);
    if (d.empty()) return last.empty() ? HV_ERROR_INVALID_PARAMETER : HV_ERROR_FILE_NOT_FOUND;
    std::string child = owner.dir_ + "/" + d;

    RegistryKeyLock ownerLock;
    rc = LockKey(ownerLock, owner.dir_, RegistryKeyLock::Mode::Exclusive);
    if (rc != 0) return rc == HV_ERROR_KEY_DELETED ? HV_ERROR_FILE_NOT_FOUND : rc;
    RegistryKeyLock childLock;
    rc = LockKey(childLock, child, RegistryKeyLock::Mode::Exclusive);
    if (rc != 0) return rc == HV_ERROR_KEY_DELETED ? HV_ERROR_FILE_NOT_FOUND : rc;

    std::vector<std::string> subdirs;
    rc = ListKeyDir(child, true, &subdirs);
    if (rc != 0) return MapErrno(rc);
    if (!subdirs.empty()) return HV_ERROR_ACCESS_DENIED;

    ::DIR* dir = ::opendir(child.c_str());
    if (dir == nullptr) return MapErrno(errno);
    std::vector<std::string> files;
    while (struct ::dirent* e = ::readdir(dir)) {
        std::string n = e->d_name;
        if (n != "." && n != ".." && n != RegistryKeyLock::kLockFile) files.push_back(n);
    }
    ::closedir(dir);
    for (const auto& f : files) {
        if (::unlink((child + "/" + f).c_str()) != 0 && errno != ENOENT) return MapErrno(errno);
    }
    // Last the lock file: a waiter that then gets the lock sees it unlinked.
    if (::unlink((child + "/" + RegistryKeyLock::kLockFile).c_str()) != 0) return MapErrno(errno);
    childLock.Unlock();
    if (::rmdir(child.c_str()) != 0) return MapErrno(errno);
    return MapErrno(SyncDirectory(owner.dir_));
}

}  // namespace portlib::platform
