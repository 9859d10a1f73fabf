#include "PreserveReply.h"

#include "PreserveClient.h"
#include "PreservePipeIo.h"

namespace portlib {

int PreserveReply::ReadHead(int fd) {
    unsigned char b[12];
    int rc = PreservePipeIo::ReadExact(fd, b, sizeof b);
    if (rc != 0) return rc;
    magic = PreservePipeIo::WordAt(b);
    status = PreservePipeIo::WordAt(b + 4);
    flags = PreservePipeIo::WordAt(b + 8);
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
    for (int i = 0; i < 3; ++i) PreservePipeIo::PutWord(b + 4 * i, words[i]);
    return PreservePipeIo::Write(fd, b, sizeof b);
}

}  // namespace portlib
