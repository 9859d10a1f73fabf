// Bounded reads and writes on an accepted pipe descriptor (non-blocking, byte
// read mode), shared by the service's pipe servers: a client that stays
// silent, or a peer that stops reading, costs a server at most `limitMs`
// (5 s by default) and then only its connection.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hvsvc {

class PipeChannel {
public:
    static constexpr int kSilenceMs = 5000;

    // Exactly n bytes; the limit runs afresh after every byte that arrives.
    // cancelFd (or -1): a descriptor whose readability ends the wait.
    // 0; HV_ERROR_BROKEN_PIPE (109) the peer closed; HV_ERROR_SEM_TIMEOUT
    // (121) silent too long; HV_ERROR_OPERATION_ABORTED (995) cancelled; else
    // the pipe layer's error.
    static int ReadExact(int fd, void* buf, std::size_t n, int cancelFd = -1, int limitMs = kSilenceMs);
    static int ReadWord(int fd, std::uint32_t* word, int cancelFd = -1, int limitMs = kSilenceMs);

    // One message of n bytes (n > 0). Same results.
    static int Write(int fd, const void* buf, std::size_t n, int limitMs = kSilenceMs);

    // Little-endian words in byte buffers.
    static std::uint32_t WordAt(const unsigned char* bytes);
    static void PutWord(unsigned char* bytes, std::uint32_t word);
};

inline constexpr int HV_ERROR_OPERATION_ABORTED = 995;

}  // namespace hvsvc
