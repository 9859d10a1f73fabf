#include "HvPoll.h"

#include "platform/DescriptorPoll.h"

namespace hv {

int poll(pollfd* fds, unsigned nfds, int timeout) {
    return portlib::platform::PollDescriptors(fds, nfds, timeout);
}

}  // namespace hv
