#include "platform/SocketError.h"

#include "platform/NamedPipeSideTable.h"

#include <sys/socket.h>

namespace portlib::platform {

int TakeSocketError(int fd) {
    if (auto entry = PipeSideTable::Instance().Find(fd)) {
        std::lock_guard<std::mutex> lock(entry->mu);
        if (const int kept = entry->pendingError; kept != 0) {
            entry->pendingError = 0;
            PipeSideTable::Instance().Note(fd, *entry);
            return kept;
        }
    }
    int err = 0;
    socklen_t len = sizeof err;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) return -1;
    return err;
}

}  // namespace portlib::platform
