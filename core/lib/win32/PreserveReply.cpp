#include "PreserveReply.h"

#include "PreserveClient.h"
#include "PreservePipeIo.h"

namespace portlib {

int PreserveReply::ReadHead(int fd) {
    unsigned char b[12];
    int rc = PreservePipeIo::ReadExact(fd, b, sizeof b);
    if (rc != 0) return rc;
    auto word = [&b](int i) {
        return static_cast<DWORD>(b[i]) | static_cast<DWORD>(b[i + 1]) << 8 | static_cast<DWORD>(b[i + 2]) << 16 |
               static_cast<DWORD>(b[i + 3]) << 24;
    };
    magic = word(0);
    status = word(4);
    flags = word(8);
    if (flags & kPreserveFlagErrorWord) return PreservePipeIo::ReadWord(fd, &errorWord);
    return 0;
}

int PreserveReply::Read(int fd, char* text, int textLen) {
    int rc = ReadHead(fd);
    if (rc == 0 && (flags & kPreserveFlagDataBlock)) rc = ReadPipeData(fd, textLen, text);
    return rc;
}

int PreserveReply::WriteHeader(int fd, DWORD magicWord, DWORD command, DWORD third) {
    unsigned char b[12];
    const DWORD words[3] = {magicWord, command, third};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 4; ++k) b[4 * i + k] = static_cast<unsigned char>(words[i] >> (8 * k));
    return PreservePipeIo::Write(fd, b, sizeof b);
}

}  // namespace portlib
