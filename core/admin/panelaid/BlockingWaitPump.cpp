#include "WaitPump.h"

#include <cerrno>
#include <poll.h>

namespace panelaid {

void BlockingWaitPump::WaitUntilDone(WaitSubject& subject) {
    while (!subject.Done()) {
        const std::vector<int> fds = subject.WatchedFds();
        std::vector<pollfd> polls;
        for (int fd : fds) polls.push_back({fd, POLLIN, 0});
        if (polls.empty()) return;  // nothing left that could end the wait
        const int n = ::poll(polls.data(), polls.size(), -1);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return;
        for (const pollfd& p : polls)
            if (p.revents != 0) subject.OnReadable(p.fd);
    }
}

}  // namespace panelaid
