#include "platform/AtomicFileWrite.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace portlib::platform {

namespace {

std::atomic<unsigned> g_tempCounter{0};

// A name no other thread or process uses at the same time.
std::string TempNameFor(const std::string& path) {
    std::size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash);
    return dir + "/.tmp-" + std::to_string(::getpid()) + "-" +
           std::to_string(static_cast<long>(::syscall(SYS_gettid))) + "-" +
           std::to_string(g_tempCounter.fetch_add(1, std::memory_order_relaxed));
}

std::string DirOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

int WriteAll(int fd, std::string_view bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

}  // namespace

int SyncDirectory(const std::string& dir) {
    int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int rc = ::fsync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return rc;
}

int WriteFileAtomically(const std::string& path, std::string_view bytes, mode_t mode, AtomicMode how,
                        AtomicStep* failedAt) {
    AtomicStep step = AtomicStep::Open;
    std::string temp = TempNameFor(path);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    int rc = fd < 0 ? errno : 0;
    if (rc == 0) {
        step = AtomicStep::Write;
        rc = ::fchmod(fd, mode) == 0 ? 0 : errno;
        if (rc == 0) rc = WriteAll(fd, bytes);
        if (rc == 0 && ::fsync(fd) != 0) rc = errno;
        if (::close(fd) != 0 && rc == 0) {
            rc = errno;
            step = AtomicStep::Close;
        }
        if (rc == 0) {
            step = AtomicStep::Rename;
            if (how == AtomicMode::Replace) {
                if (::rename(temp.c_str(), path.c_str()) != 0) rc = errno;
            } else if (::link(temp.c_str(), path.c_str()) != 0) {
                rc = errno;
            }
        }
        if (rc != 0 || how == AtomicMode::CreateOnly) ::unlink(temp.c_str());
        if (rc == 0) {
            step = AtomicStep::SyncDir;
            rc = SyncDirectory(DirOf(path));
        }
    }
    if (failedAt) *failedAt = rc == 0 ? AtomicStep::None : step;
    return rc;
}

int ReadWholeFile(const std::string& path, std::string* out, std::size_t maxBytes) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return errno;
    std::string data;
    char chunk[4096];
    int rc = 0;
    for (;;) {
        ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            rc = errno;
            break;
        }
        if (n == 0) break;
        if (data.size() + static_cast<std::size_t>(n) > maxBytes) {
            rc = EFBIG;
            break;
        }
        data.append(chunk, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (rc == 0) *out = std::move(data);
    return rc;
}

}  // namespace portlib::platform
