#include "platform/NamedPipeIo.h"

#include "platform/NamedPipeErrno.h"
#include "platform/NamedPipePoll.h"
#include "platform/NamedPipeRecv.h"
#include "platform/NamedPipeSideTable.h"
#include "platform/Win32Error.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <sys/ioctl.h>
#include <sys/socket.h>

namespace portlib::platform {

namespace {

using EntryPtr = std::shared_ptr<PipeSideTable::Entry>;

// Keeps the tail of the message just received (it sits in the spill area).
void KeepTail(int fd, EntryPtr& entry, std::size_t tail) {
    if (!entry) entry = PipeSideTable::Instance().FindOrAdd(fd);
    const char* data = PipeSpillArea();
    std::lock_guard<std::mutex> lock(entry->mu);
    entry->rest.assign(data, data + tail);
    entry->restPos = 0;
    PipeSideTable::Instance().Note(fd, *entry);
    PipeNoteHeldNews();
}

// A message-mode read of a descriptor with nothing held: one receive.
int ReadMessage(int fd, char* out, std::size_t size, EntryPtr& entry, std::size_t* bytesRead) {
    std::size_t length = 0;
    if (int rc = PipeRecvMessage(fd, out, size, 0, &length)) return rc;
    if (length <= size) {
        *bytesRead = length;
        return 0;
    }
    KeepTail(fd, entry, length - size);
    *bytesRead = size;
    return HV_ERROR_MORE_DATA;
}

}  // namespace

int PipeRead(int fd, void* buf, std::size_t size, std::size_t* bytesRead) {
    std::size_t dummy = 0;
    if (!bytesRead) bytesRead = &dummy;
    *bytesRead = 0;
    if (fd < 0) return HV_ERROR_INVALID_HANDLE;
    if (!buf && size) return HV_ERROR_INVALID_PARAMETER;
    char* out = static_cast<char*>(buf);

    PipeSideTable& table = PipeSideTable::Instance();
    EntryPtr entry;
    if (table.IsPlain(fd)) return ReadMessage(fd, out, size, entry, bytesRead);
    entry = table.Find(fd);
    PipeReadMode mode = PipeReadMode::Message;
    std::size_t copied = 0;
    if (entry) {
        std::lock_guard<std::mutex> lock(entry->mu);
        mode = entry->mode;
        if (std::size_t held = entry->Held()) {
            copied = std::min(held, size);
            if (copied) std::memcpy(out, entry->rest.data() + entry->restPos, copied);
            entry->restPos += copied;
            const bool more = entry->Held() != 0;
            if (!more) {
                entry->Clear();
                table.Note(fd, *entry);
            }
            if (mode == PipeReadMode::Message || more) {
                *bytesRead = copied;
                return (more && mode == PipeReadMode::Message) ? HV_ERROR_MORE_DATA : 0;
            }
        }
    }

    if (entry) {
        // An error the poll layer read from the socket is this read's, as
        // the receive would have reported it.
        std::lock_guard<std::mutex> lock(entry->mu);
        if (const int err = entry->pendingError; err != 0) {
            entry->pendingError = 0;
            table.Note(fd, *entry);
            *bytesRead = copied;
            return PipeErrorFromErrno(err);
        }
    }

    if (mode == PipeReadMode::Message) return ReadMessage(fd, out, size, entry, bytesRead);

    // Byte mode: wait (on a blocking descriptor) only while nothing has been
    // read; after that take only what is already queued.
    while (copied < size) {
        const std::size_t room = size - copied;
        std::size_t length = 0;
        int rc = PipeRecvMessage(fd, out + copied, room, copied ? MSG_DONTWAIT : 0, &length);
        if (rc) {
            *bytesRead = copied;
            if (copied && (rc == HV_ERROR_NO_DATA || rc == HV_ERROR_BROKEN_PIPE)) return 0;
            return rc;
        }
        if (length > room) {
            KeepTail(fd, entry, length - room);
            copied = size;
            break;
        }
        copied += length;
    }
    *bytesRead = copied;
    return 0;
}

int PipeWrite(int fd, const void* buf, std::size_t size, std::size_t* written) {
    std::size_t dummy = 0;
    if (!written) written = &dummy;
    *written = 0;
    if (fd < 0) return HV_ERROR_INVALID_HANDLE;
    if (!buf || size == 0) return HV_ERROR_INVALID_PARAMETER;
    bool grown = false;
    for (;;) {
        ssize_t sent = ::send(fd, buf, size, MSG_NOSIGNAL);
        if (sent >= 0) {
            // A SOCK_SEQPACKET send takes the whole message or nothing.
            if (static_cast<std::size_t>(sent) != size) return HV_ERROR_GEN_FAILURE;
            *written = size;
            return 0;
        }
        const int err = errno;
        if (err == EINTR) continue;
        if (err == EAGAIN) return HV_WSAEWOULDBLOCK;
        if (err == EMSGSIZE && !grown && size < INT_MAX / 4) {
            // The send buffer caps the message size; NT takes any size, so
            // widen the buffer once (the kernel stops at wmem_max).
            grown = true;
            int want = static_cast<int>(size) + 4096;
            if (::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &want, sizeof want) == 0) continue;
        }
        return PipeErrorFromErrno(err);
    }
}

int PipePeek(int fd, void* buf, std::size_t size, PipePeekInfo* info) {
    PipePeekInfo result;
    if (info) *info = result;
    if (fd < 0) return HV_ERROR_INVALID_HANDLE;
    if (!buf && size) return HV_ERROR_INVALID_PARAMETER;

    std::size_t held = 0;
    if (EntryPtr entry = PipeSideTable::Instance().Find(fd)) {
        std::lock_guard<std::mutex> lock(entry->mu);
        held = entry->Held();
        result.copied = std::min(held, size);
        if (result.copied) std::memcpy(buf, entry->rest.data() + entry->restPos, result.copied);
        result.messageLeft = held;
    }
    if (!held) {
        int resets = 0;
        for (;;) {
            ssize_t got = ::recv(fd, buf, size, MSG_PEEK | MSG_DONTWAIT | MSG_TRUNC);
            if (got > 0) {
                result.copied = std::min(static_cast<std::size_t>(got), size);
                result.messageLeft = static_cast<std::size_t>(got);
                break;
            }
            if (got == 0) {
                if (PipeEndOfStream(fd)) return HV_ERROR_BROKEN_PIPE;
                break;
            }
            if (errno == EINTR || (errno == ECONNRESET && ++resets <= 2)) continue;
            if (errno == EAGAIN) break;
            return PipeErrorFromErrno(errno);
        }
    }
    int queued = 0;
    if (::ioctl(fd, FIONREAD, &queued) != 0) return PipeErrorFromErrno(errno);
    result.available = held + static_cast<std::size_t>(queued);
    if (info) *info = result;
    return 0;
}

}  // namespace portlib::platform
