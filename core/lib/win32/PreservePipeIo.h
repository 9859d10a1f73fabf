// Reading and writing on the object-persistence client's connection, through
// the named-pipe layer. The client opens the pipe in byte read mode and reads
// the service's messages as one byte stream, as NT's default read mode has
// it: the layer keeps the unread rest of a message for the next read, and a
// read larger than a message goes on into the next one. Every word on the
// wire is 32-bit little-endian.
#pragma once

#include "PortTypes.h"

#include <cstddef>

namespace portlib {

class PreservePipeIo {
public:
    // One message. 0, 232 when the service has closed the pipe, else the
    // named-pipe layer's error.
    static int Write(int fd, const void* data, std::size_t n);
    static int WriteWord(int fd, DWORD word);

    // Exactly n bytes. 0; 109 when the service closed before sending anything;
    // -1 when it closed part-way (a short read); else the layer's error.
    static int ReadExact(int fd, void* data, std::size_t n);
    static int ReadWord(int fd, DWORD* word);

    // The wire's words in a byte buffer.
    static DWORD WordAt(const unsigned char* bytes);
    static void PutWord(unsigned char* bytes, DWORD word);
};

}  // namespace portlib
