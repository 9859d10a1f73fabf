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
#pragma once

#include "platform/NamedPipeTypes.h"

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

private:
    mutable std::mutex mu_;
    std::unordered_map<int, std::shared_ptr<Entry>> map_;
};

}  // namespace portlib::platform
