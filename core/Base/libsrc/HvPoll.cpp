#include "HvPoll.h"

#include "FuncInfo.h"
#include "platform/DescriptorPoll.h"

namespace hv {

int poll(pollfd* fds, unsigned nfds, int timeout) {
    MXR_FRAME("hv", "poll", 3, "HvPoll.c");
    return portlib::platform::PollDescriptors(fds, nfds, timeout);
}

int poll(pollfd* fds, const portlib::platform::FdKind* kinds, unsigned nfds, int timeout) {
    MXR_FRAME("hv", "poll", 4, "HvPoll.c");
    return portlib::platform::PollDescriptors(fds, kinds, nfds, timeout);
}

}  // namespace hv
