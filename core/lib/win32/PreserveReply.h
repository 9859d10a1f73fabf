// The fixed parts of one object-persistence exchange: the request header and
// the reply with its optional error word and data block.
#pragma once

#include "PortTypes.h"

namespace portlib {

class PreserveReply {
public:
    DWORD magic = 0;
    DWORD status = 0;
    DWORD flags = 0;
    DWORD errorWord = 0;  // when flags carry 0x20000

    // Reads the 12-byte reply, then the error word (0x20000), then the data
    // block (0x40000) into text (terminated; may be null). 0 or the error.
    int Read(int fd, char* text, int textLen);
    // Only the 12 bytes and the error word; the caller reads what follows.
    int ReadHead(int fd);

    // {magic, command, third} as one message.
    static int WriteHeader(int fd, DWORD magic, DWORD command, DWORD third);
};

}  // namespace portlib
