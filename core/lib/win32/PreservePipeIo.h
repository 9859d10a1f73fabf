// Byte-mode reading and message writing on the object-persistence client's
// connection. The pipe is message mode (SOCK_SEQPACKET) but the client reads
// it as a byte stream, as NT's default read mode has it: a read smaller than
// the message keeps the rest for the next read (a per-descriptor buffer), a
// read larger than the message goes on into the next one.
#pragma once

#include "PortTypes.h"

#include <cstddef>

namespace portlib {

class PreservePipeIo {
public:
    // Forgets whatever an earlier descriptor of the same number left behind.
    static void Adopt(int fd);
    // Closes the descriptor and drops its buffered bytes.
    static void Close(int fd);

    // One message. 0, 232 when the server has gone, -1 for a short write.
    static int Write(int fd, const void* data, std::size_t n);
    static int WriteWord(int fd, DWORD word);

    // Exactly n bytes. 0; 109 when the server closed before sending anything;
    // -1 when it closed part-way (a short read); another Win32 error.
    static int ReadExact(int fd, void* data, std::size_t n);
    static int ReadWord(int fd, DWORD* word);

    // The largest message accepted from the server.
    static constexpr std::size_t kMaxMessage = 1u << 20;
};

}  // namespace portlib
