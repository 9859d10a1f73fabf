#include "platform/NamedObject.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace portlib::platform {

namespace {

constexpr const char* kTempMark = ".tmp-";
std::atomic<unsigned> g_tempSerial{0};

std::string DirName(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string BaseName(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

int FlockRetry(int fd, int op) {
    while (::flock(fd, op) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

// The exclusive lock of a directory, for the short steps that look at or
// change which file a name refers to.
class DirGate {
public:
    explicit DirGate(const std::string& dir) {
        fd_ = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ < 0) {
            rc_ = errno;
            return;
        }
        rc_ = FlockRetry(fd_, LOCK_EX);
    }
    ~DirGate() {
        if (fd_ >= 0) ::close(fd_);
    }
    DirGate(const DirGate&) = delete;
    DirGate& operator=(const DirGate&) = delete;
    int Result() const { return rc_; }

private:
    int fd_ = -1;
    int rc_ = 0;
};

// True when nobody holds the open file `fd` (the probe's own exclusive lock
// is dropped again before returning).
bool HeldByNobody(int fd) {
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) return false;
    ::flock(fd, LOCK_UN);
    return true;
}

// Removes temporary files of `base` left by builders that died. Under the gate.
void SweepDeadBuilds(const std::string& dir, const std::string& base) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return;
    std::string prefix = base + kTempMark;
    while (dirent* e = ::readdir(d)) {
        if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) != 0) continue;
        std::string p = dir + "/" + e->d_name;
        int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
        if (fd < 0) continue;
        if (HeldByNobody(fd)) ::unlink(p.c_str());
        ::close(fd);
    }
    ::closedir(d);
}

// Under the gate: a descriptor holding the live file at `path` shared, or
// ENOENT (a file held by nobody is removed).
int OpenLiveUnderGate(const std::string& path, int* out) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return errno;
    if (HeldByNobody(fd)) {
        ::unlink(path.c_str());
        ::close(fd);
        return ENOENT;
    }
    // Only a prober (who holds the gate) ever holds such a file exclusively,
    // so the shared lock is granted at once.
    int rc = FlockRetry(fd, LOCK_SH);
    if (rc != 0) {
        ::close(fd);
        return rc;
    }
    *out = fd;
    return 0;
}

}  // namespace

int NamedObjectPath(SysArea area, std::string_view name, std::string* path) {
    if (name.empty() || name.size() > kObjectNameMax) return EINVAL;
    std::string dir;
    int rc = EnsureSystemPath(area, &dir);
    if (rc != 0) return rc;
    static const char kHex[] = "0123456789ABCDEF";
    std::string file;
    for (char ch : name) {
        auto c = static_cast<unsigned char>(ch);
        bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-';
        if (plain) {
            file += ch;
        } else {
            file += '%';
            file += kHex[c >> 4];
            file += kHex[c & 15];
        }
    }
    *path = dir + "/" + file;
    return 0;
}

NamedObject::~NamedObject() { Close(); }

NamedObject::NamedObject(NamedObject&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), temp_(std::move(other.temp_)) {
    other.fd_ = -1;
    other.temp_.clear();
}

NamedObject& NamedObject::operator=(NamedObject&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        temp_ = std::move(other.temp_);
        other.fd_ = -1;
        other.temp_.clear();
    }
    return *this;
}

void NamedObject::Close() {
    if (fd_ >= 0) {
        // An unpublished build is thrown away.
        if (!temp_.empty()) ::unlink(temp_.c_str());
        ::close(fd_);
        fd_ = -1;
    }
    temp_.clear();
}

int NamedObject::Open(const std::string& path) {
    Close();
    path_ = path;
    DirGate gate(DirName(path));
    if (gate.Result() != 0) return gate.Result();
    return OpenLiveUnderGate(path, &fd_);
}

int NamedObject::BeginCreate(const std::string& path, mode_t mode) {
    Close();
    path_ = path;
    std::string dir = DirName(path);
    DirGate gate(dir);
    if (gate.Result() != 0) return gate.Result();
    SweepDeadBuilds(dir, BaseName(path));
    std::string temp = path + kTempMark + std::to_string(::getpid()) + "-" +
                       std::to_string(g_tempSerial.fetch_add(1, std::memory_order_relaxed));
    int fd = ::open(temp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, mode);
    if (fd < 0) return errno;
    int rc = ::fchmod(fd, mode) == 0 ? 0 : errno;
    if (rc == 0) rc = FlockRetry(fd, LOCK_SH);
    if (rc != 0) {
        ::unlink(temp.c_str());
        ::close(fd);
        return rc;
    }
    fd_ = fd;
    temp_ = std::move(temp);
    return 0;
}

int NamedObject::Publish() {
    if (fd_ < 0 || temp_.empty()) return EINVAL;
    DirGate gate(DirName(path_));
    int rc = gate.Result();
    if (rc == 0) {
        int live = -1;
        rc = OpenLiveUnderGate(path_, &live);
        if (rc == 0) {
            ::close(live);
            rc = EEXIST;
        } else if (rc == ENOENT) {
            rc = ::rename(temp_.c_str(), path_.c_str()) == 0 ? 0 : errno;
        }
    }
    if (rc == 0) {
        temp_.clear();
        return 0;
    }
    Close();
    return rc;
}

int NamedObject::OpenOrCreate(const std::string& path, mode_t mode, const std::function<int(int fd)>& build,
                              bool* created) {
    if (created) *created = false;
    // Each lost race means another creator published meanwhile; a few rounds
    // are plenty unless objects are removed as fast as they are made.
    for (int round = 0; round < 8; ++round) {
        int rc = Open(path);
        if (rc != ENOENT) return rc;
        rc = BeginCreate(path, mode);
        if (rc != 0) return rc;
        rc = build(fd_);
        if (rc != 0) {
            Close();
            return rc;
        }
        rc = Publish();
        if (rc == 0) {
            if (created) *created = true;
            return 0;
        }
        if (rc != EEXIST) return rc;
    }
    return EAGAIN;
}

bool NamedObject::IsLive(const std::string& path) {
    DirGate gate(DirName(path));
    if (gate.Result() != 0) return false;
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return false;
    bool live = !HeldByNobody(fd);
    ::close(fd);
    return live;
}

}  // namespace portlib::platform
