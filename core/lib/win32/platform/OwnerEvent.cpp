#include "platform/OwnerEvent.h"
#include "platform/PollUntil.h"

#include <cerrno>
#include <cstddef>
#include <unistd.h>

namespace portlib::platform {

namespace {

constexpr std::uint32_t kEventMagic = 0x56455648;  // "HVEV"

// File layout: three 32-bit words, little-endian as the host.
struct EventFile {
    std::uint32_t magic;
    std::uint32_t pid;
    std::uint32_t signalled;
};
constexpr off_t kSignalledAt = offsetof(EventFile, signalled);

int ReadState(int fd, OwnerEvent::State* state) {
    EventFile f {};
    ssize_t n = ::pread(fd, &f, sizeof f, 0);
    if (n < 0) return errno;
    if (n != static_cast<ssize_t>(sizeof f) || f.magic != kEventMagic) return EPROTO;
    state->ownerPid = static_cast<pid_t>(f.pid);
    state->signalled = f.signalled != 0;
    return 0;
}


}  // namespace

int OwnerEvent::Create(std::string_view name) {
    file_.Close();
    std::string path;
    int rc = NamedObjectPath(SysArea::Sync, name, &path);
    if (rc == 0) rc = file_.BeginCreate(path, 0660);
    if (rc != 0) return rc;
    EventFile f {kEventMagic, static_cast<std::uint32_t>(::getpid()), 0};
    if (::pwrite(file_.Fd(), &f, sizeof f, 0) != static_cast<ssize_t>(sizeof f)) {
        rc = errno ? errno : EIO;
        file_.Close();
        return rc;
    }
    return file_.Publish();
}

int OwnerEvent::Signal() {
    if (!file_.IsPublished()) return EBADF;
    std::uint32_t one = 1;
    return ::pwrite(file_.Fd(), &one, sizeof one, kSignalledAt) == static_cast<ssize_t>(sizeof one) ? 0 : errno;
}

int OwnerEvent::Query(std::string_view name, State* state) {
    std::string path;
    int rc = NamedObjectPath(SysArea::Sync, name, &path);
    if (rc != 0) return rc;
    NamedObject peek;
    rc = peek.Open(path);
    if (rc == 0) rc = ReadState(peek.Fd(), state);
    return rc;
}

int OwnerEvent::WaitSignalled(std::string_view name, std::int64_t timeoutMs, int pollMs) {
    int rc = 0;
    bool signalled = PollUntil(
        [&] {
            State st;
            rc = Query(name, &st);
            return rc != 0 || st.signalled;
        },
        timeoutMs, pollMs);
    if (rc != 0) return rc;
    return signalled ? 0 : ETIMEDOUT;
}

}  // namespace portlib::platform
