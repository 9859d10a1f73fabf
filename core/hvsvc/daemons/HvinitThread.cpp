#include "HvinitThread.h"

#include <poll.h>

namespace hvsvc {

void HvinitThread::Run() {
    while (gate_.Pass()) {
        // One pass a second; a stop cuts the wait short.
        pollfd wake = {gate_.WakeFd(), POLLIN, 0};
        (void)::poll(&wake, 1, 1000);
    }
}

}  // namespace hvsvc
