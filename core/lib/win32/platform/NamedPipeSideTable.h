// Internal to the named-pipe layer: what the layer keeps beside each pipe
// descriptor, because the socket itself cannot hold it.
//
// - the read mode (the socket is always SOCK_SEQPACKET);
// - the unread tail of a message that a reader's buffer could not take.
//
// Descriptor numbers are reused as soon as they are closed, so an entry is
// dropped before its descriptor is closed, and every descriptor the layer
// creates replaces whatever stale entry its number still had. Client threads
// use the table at the same time, each on its own descriptors.
//
// Most descriptors need nothing of the table on most reads: message mode,
// no tail held, no error kept. A flag per descriptor, read without a lock,
// tells those apart (IsPlain), so that a read or a poll filter of such a
// descriptor goes straight to the socket. The flag is kept by whoever
// changes an entry (Note, under the entry's lock); a flag that says "look"
// when there is nothing to see only costs the look.
#pragma once

#include "platform/NamedPipeTypes.h"

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace portlib::platform {

class PipeSideTable {
public:
    struct Entry {
        std::mutex mu;
        PipeReadMode mode = PipeReadMode::Message;  // guarded by mu
        std::vector<char> rest;                     // tail of one message, guarded by mu
        std::size_t restPos = 0;                    // first unread byte of rest
        // An error the poll layer read from the socket (SO_ERROR clears it in
        // the kernel): kept here for whoever acts on it, guarded by mu.
        int pendingError = 0;

        std::size_t Held() const { return rest.size() - restPos; }
        void Clear() { rest.clear(); restPos = 0; }
        // Whether a reader must look at this entry: byte mode, a tail held
        // or an error kept.
        bool NeedsLook() const { return mode != PipeReadMode::Message || Held() != 0 || pendingError != 0; }
    };

    // The process's table; never destroyed, so that threads still running at
    // exit do not meet a destroyed table.
    static PipeSideTable& Instance();

    std::shared_ptr<Entry> Find(int fd) const;
    // A fresh entry for a descriptor the layer has just created.
    std::shared_ptr<Entry> Register(int fd, PipeReadMode mode);
    // The entry, made with message mode when the descriptor has none.
    std::shared_ptr<Entry> FindOrAdd(int fd);
    void Drop(int fd);
    std::size_t Count() const;

    // True when fd's entry, if any, needs no look (see NeedsLook): message
    // mode, nothing held, no error kept. Lock-free.
    bool IsPlain(int fd) const {
        return fd >= 0 && fd < kFlagFds && looks_[fd].load(std::memory_order_acquire) == 0;
    }
    // Sets fd's flag from entry after a change to it; the caller holds
    // entry.mu. An entry that is no longer fd's (dropped meanwhile) changes
    // nothing.
    void Note(int fd, const Entry& entry);

private:
    // Descriptors below this have a flag; the others are always looked up.
    static constexpr int kFlagFds = 1 << 16;

    PipeSideTable();
    void SetFlag(int fd, bool look);

    mutable std::mutex mu_;
    std::unordered_map<int, std::shared_ptr<Entry>> map_;
    // 1: the descriptor's entry needs a look (see NeedsLook).
    std::unique_ptr<std::atomic<unsigned char>[]> looks_;
};

}  // namespace portlib::platform
