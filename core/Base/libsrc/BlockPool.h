// Small blocks kept for reuse, per thread: objects made and released again
// and again (every packet of every message, every cell of a send queue)
// take their memory from here, not from the heap, once the first ones have
// been made. Blocks are kept by size class (16-byte steps up to MaxSize); a
// block released on another thread joins that thread's blocks. Each thread
// keeps at most MaxKeptBytes per class; its blocks are freed when it ends.
#pragma once

#include <cstddef>

class BlockPool {
public:
    static constexpr std::size_t MaxSize = 1024;
    // About two 1 MiB messages in packets.
    static constexpr std::size_t MaxKeptBytes = 2560u << 10;

    // A block of at least size bytes: a kept one of its class when there is
    // one, else from the heap. Null when memory is short.
    static void* Take(std::size_t size) noexcept;
    // Gives back a block that Take made for size.
    static void Give(void* block, std::size_t size) noexcept;
    // The blocks of size's class kept by the calling thread.
    static int KeptBlocks(std::size_t size) noexcept;
};
