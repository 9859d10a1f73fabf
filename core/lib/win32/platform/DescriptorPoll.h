// poll(2) with the poll layer's rules (PollFilter.h): what the event loop and
// the blocking clients wait with.
#pragma once

#include "platform/FdKind.h"

#include <cstddef>
#include <poll.h>

namespace portlib::platform {

// Tests fds[0..n) and waits at most timeoutMs (0: test once, negative: until
// something is ready). Each entry's revents is cleared first and then set to
// the filtered events; an entry with a negative fd is never ready. Returns
// the number of entries with non-zero revents, 0 when none became ready in
// time, or -1 with errno set when poll(2) itself fails (EINVAL, ENOMEM).
//
// An entry whose only news is filtered away (a closed descriptor, a hung-up
// line) is left out of the rest of the wait, so it never cuts a wait short;
// it is tested again at the next call. A signal does not end the wait: the
// remaining time is taken anew from the monotonic clock. There is no floor:
// a wait of 1 ms is 1 ms.
//
// Each entry's kind decides its rules (PollFilter.h). Here it is looked up
// (fstat, getsockopt) for each entry that has news; a caller that polls the
// same descriptors again and again learns their kinds once and passes them in
// kinds (kinds[i] for fds[i]), and no kind is looked up at all.
int PollDescriptors(pollfd* fds, std::size_t n, int timeoutMs);
int PollDescriptors(pollfd* fds, const FdKind* kinds, std::size_t n, int timeoutMs);

// How many times the calling thread's waits have gone to the kernel: a wait
// that nothing cuts short goes once (again after a signal or an entry whose
// news is filtered away), however long it lasts. Shows that a wait does not
// spin without measuring time.
unsigned long GetPollWaitCount();
// Counts one such wait (the persistent wait set's waits count here too).
void CountPollWait();

}  // namespace portlib::platform
