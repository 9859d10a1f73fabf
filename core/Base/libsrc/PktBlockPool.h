// Blocks of one packet's size kept for reuse, per thread: a packet made and
// released again and again (every packet of every message) takes its memory
// from here, not from the heap, once the first ones have been made. A block
// released on another thread joins that thread's blocks. Each thread keeps at
// most MaxBlocks; a thread's blocks are freed when it ends.
#pragma once

#include <cstddef>

class PktBlockPool {
public:
    // About two 1 MiB messages in packets.
    static constexpr int MaxBlocks = 4200;

    // A block of size bytes: a kept one when size is the pooled size, else
    // from the heap. Null when memory is short.
    static void* Take(std::size_t size) noexcept;
    // Gives back a block that Take made for size.
    static void Give(void* block, std::size_t size) noexcept;
    // The blocks kept by the calling thread.
    static int KeptBlocks() noexcept;
};
