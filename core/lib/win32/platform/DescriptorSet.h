// A persistent set of descriptors to wait on (epoll underneath), kept in step
// with what its owner wants instead of being handed over whole at each wait:
// a wait costs what its ready descriptors cost, not what the set holds.
//
// The per-kind rules of the poll emulation apply (PollFilter.h): each
// descriptor's kind is given once, when it enters; a descriptor whose only
// news the rules drop (a closed one, a hung-up line with nothing queued) is
// muted, so that it cannot make a wait end again and again, until its owner
// asks for other events. Bytes the pipe layer holds for a descriptor (the
// tail of a long message) count as POLLIN news.
//
// A descriptor may be entered by several owners (each Put counts one, each
// Remove drops one): it is waited on for all the events they want.
// One thread uses a set.
#pragma once

#include "platform/FdKind.h"

#include <cstdint>
#include <vector>

namespace portlib::platform {

struct DescriptorNews {
    int fd;
    short revents;  // POLLIN, POLLOUT, POLLERR, POLLHUP after the rules
};

class DescriptorSet {
public:
    DescriptorSet();
    ~DescriptorSet();
    DescriptorSet(const DescriptorSet&) = delete;
    DescriptorSet& operator=(const DescriptorSet&) = delete;

    // Enters fd (or changes what is wanted of it: events replace those of
    // this owner's earlier Put, given as before). A system call only when
    // the events waited for change. fd < 0 is ignored.
    void Put(int fd, short events, FdKind kind, short previousEvents = -1);
    // One owner less; the last one takes fd out.
    void Remove(int fd, short events);
    // Waits at most timeoutMs (0: look once; negative: without limit) for
    // news and puts them in out (cleared first): the count, or -1 when the
    // wait failed. A signal does not end the wait.
    int Wait(std::vector<DescriptorNews>& out, int timeoutMs);

    // Descriptors in the set.
    int Count() const;
    // False when no descriptor of the set can have news that only the pipe
    // layer knows of (a wait would then be the kernel's alone).
    bool MayHoldNews() const;

private:
    struct Entry {
        int owners = 0;
        FdKind kind = FdKind::Invalid;
        short wanted = 0;      // the union of the owners' events
        short inKernel = -1;   // the events the kernel watches; -1 not watched
        bool muted = false;
        int wantIn = 0;        // owners that want POLLIN
        int wantOut = 0;       // owners that want POLLOUT
    };
    Entry* At(int fd);
    void Sync(int fd, Entry& e);
    void AddNews(std::vector<DescriptorNews>& out, std::size_t held, int fd, short news);

    int epfd;
    int count;
    std::vector<Entry> entries;   // by descriptor number
    std::vector<int> heldFds;     // pipes whose layer held bytes at the last look
    unsigned long heldSeen;       // the pipe layer's count of held tails then
    std::vector<unsigned char> scratch;  // kernel events of one wait
};

}  // namespace portlib::platform
