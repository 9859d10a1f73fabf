#include "CrashPoint.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"

#include "UnixDir.h"
#include "UnixPath.h"
#include "platform/AtomicFileWrite.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using portlib::platform::AtomicStep;

std::string UnderRoot(const char* relative) {
    std::string path = cfgstore::RootDir();
    path += '/';
    path += relative ? relative : "";
    return path;
}

// Holds the asynchronous signals for one file operation.
struct SignalHold {
    sigset_t old;
    bool held;
    SignalHold() : held(qdbholdsig(&old) == 0) {}
    ~SignalHold() {
        if (held) qdbrlssig(&old);
    }
    SignalHold(const SignalHold&) = delete;
    SignalHold& operator=(const SignalHold&) = delete;
};

// Reports a failed system call with its error number.
int SysFailure(int err, int msgnum, const char* what, const std::string& path) {
    errno = err;
    return hv_err(24, msgnum, "%s(%s) failed", what, path.c_str());
}

int ReportOverflow(std::size_t size) {
    return hv_err(23, 315, "read buffer overflow (MAX=%d)\n", static_cast<int>(size));
}

}  // namespace

extern "C" int qdbwritefile(const char* dir, const char* name, int length, const char* data) {
    if (name == nullptr || length < 0 || (data == nullptr && length > 0))
        return hv_err(23, 1297, QDB_ARGS, "qdbwritefile: bad arguments (length %d)", length);
    SignalHold hold;
    const std::string dirPath = UnderRoot(dir);
    if (portlib::mkdirp(dirPath.c_str(), 0700) != 0) return SysFailure(errno, 1295, "mkdirp", dirPath);
    const std::string path = dirPath + "/" + name;
    struct stat st {};
    const mode_t mode = ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0600;
    AtomicStep step = AtomicStep::None;
    cfgstore::CrashPoint("table-file-write");
    int rc = portlib::platform::WriteFileAtomically(path, std::string_view(data ? data : "", length), mode,
                                                    portlib::platform::AtomicMode::Replace, &step);
    switch (step) {
    case AtomicStep::None: return 0;
    case AtomicStep::Open: return SysFailure(rc, 1296, "open", path);
    case AtomicStep::Write: return SysFailure(rc, 1297, "write", path);
    case AtomicStep::Close: return SysFailure(rc, 1298, "close", path);
    case AtomicStep::Rename:
    case AtomicStep::SyncDir: return SysFailure(rc, 1298, "rename", path);
    }
    return -1;
}

namespace cfgstore {

int ReadTableFile(const char* relative, char* buf, std::size_t size) {
    if (buf == nullptr || size == 0) return hv_err(23, 1299, QDB_ARGS, "qdbreadfile: no buffer");
    SignalHold hold;
    const std::string path = UnderRoot(relative);
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) {
            buf[0] = '\0';
            return 0;
        }
        return SysFailure(errno, 1299, "open", path);
    }
    std::size_t total = 0;
    const std::size_t room = size - 1;
    for (;;) {
        char probe;
        // Once the buffer is full, one more byte tells an over-large file.
        char* into = total < room ? buf + total : &probe;
        std::size_t want = total < room ? room - total : 1;
        ssize_t n = ::read(fd, into, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int err = errno;
            ::close(fd);
            return SysFailure(err, 1300, "read", path);
        }
        if (n == 0) break;
        if (into == &probe) {
            ::close(fd);
            buf[room] = '\0';
            return ReportOverflow(size);
        }
        total += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) return SysFailure(errno, 1301, "close", path);
    buf[total] = '\0';
    return static_cast<int>(total);
}

int ReadDirEntries(const char* dir, char* out, std::size_t size) {
    if (out == nullptr || size == 0) return hv_err(23, 1302, QDB_ARGS, "qdbreaddirent: no buffer");
    const std::string path = UnderRoot(dir);
    out[0] = '\0';
    errno = 0;
    portlib::DIR* d = portlib::opendir(path.c_str());
    if (d == nullptr) {
        if (errno == ENOENT) return 0;
        return SysFailure(errno, 1302, "opendir", path);
    }
    std::size_t used = 0;
    while (portlib::dirent* e = portlib::readdir(d)) {
        if (e->d_name[0] == '.') continue;
        std::size_t len = std::strlen(e->d_name);
        if (used + len + 1 >= size) {
            portlib::closedir(d);
            out[0] = '\0';
            return ReportOverflow(size);
        }
        std::memcpy(out + used, e->d_name, len);
        used += len;
        out[used++] = '\x01';
    }
    portlib::closedir(d);
    out[used ? used - 1 : 0] = '\0';
    return 0;
}

}  // namespace cfgstore

extern "C" int qdbreadfile(const char* path, char* buf) { return cfgstore::ReadTableFile(path, buf, kQdbReadMax); }

extern "C" int qdbreaddirent(const char* dir, char* out) {
    return cfgstore::ReadDirEntries(dir, out, kQdbReadMax);
}
