#include "HvPoll.h"

#include "FuncInfo.h"
#include "platform/DescriptorPoll.h"

namespace hv {

int poll(pollfd* fds, unsigned nfds, int timeout) {
    MXR_FRAME("hv", "poll", 3, "HvPoll.c");
    return portlib::platform::PollDescriptors(fds, nfds, timeout);
}

}  // namespace hv
