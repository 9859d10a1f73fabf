#include "VolumeServer.h"

#include "BootExecuteList.h"
#include "PipeChannel.h"
#include "PipeServer.h"
#include "SharedVolumes.h"
#include "qdberr.h"

#include "platform/NamedPipeListener.h"

#include <cctype>

namespace hvsvc {

namespace pp = portlib::platform;

namespace {

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

}  // namespace

void VolumeServer::LockSharedVolumes() {
    const std::int64_t mask = SharedVolumes::Read();
    if (mask < 0) {
        pxm_err(3, 200015, __FILE__, __LINE__, 0, 0, "Unable to get SharedVolumes key from the registry\n");
        return;
    }
    for (int i = 0; i < 26; ++i) {
        if (!(mask & (1 << i))) continue;
        const char letter = static_cast<char>('A' + i);
        if (!locks_.Lock(letter)) {
            const char name[3] = {letter, ':', '\0'};
            pxm_err(3, 200016, __FILE__, __LINE__, 0, 0, "Unable to lock drive %s\n", name);
        }
    }
}

bool VolumeServer::Share(char letter, bool share) {
    const int index = std::toupper(static_cast<unsigned char>(letter)) - 'A';
    const std::int64_t mask = SharedVolumes::Read();
    if (mask < 0) {
        pxm_err(3, 200029, __FILE__, __LINE__, 0, 0, "ShareVol: Unable to get SharedVolumes key from the registry\n");
        return false;
    }
    std::uint32_t next = static_cast<std::uint32_t>(mask);
    next = share ? (next | (1u << index)) : (next & ~(1u << index));
    if (!SharedVolumes::Write(next)) {
        pxm_err(3, 200030, __FILE__, __LINE__, 0, 0, "ShareVol: Unable to set SharedVolumes key in the registry\n");
        return false;
    }
    BootExecuteList::Rebuild();
    return true;
}

std::int32_t VolumeServer::Handle(std::uint32_t magic, std::int32_t command, char letter) {
    if (magic != kVolumeMagic) {
        pxm_err(6, 200009, __FILE__, __LINE__, 0, 0, "volsvc: Bad pipe command, magic number 0x%x", magic);
        return -2;
    }
    const char shown = IsDriveLetter(letter) ? letter : '?';
    pxm_err(6, 200010, __FILE__, __LINE__, 0, 0, " magic is %x, command is %d, letter is %c\n", magic, command, shown);
    if (command != 3 && command != 6 && !IsDriveLetter(letter)) {
        // Only letters index the 26-entry lock table.
        pxm_err(6, 200011, __FILE__, __LINE__, 0, 0, "Invalid drive Letter, %c", shown);
        return -2;
    }
    switch (command) {
    case 1: return locks_.Lock(letter) ? 0 : -1;
    case 2: return locks_.Unlock(letter) ? 0 : -1;
    case 3: return static_cast<std::int32_t>(locks_.Mask());
    case 4: return Share(letter, true) ? 0 : -1;
    case 5: return Share(letter, false) ? 0 : -1;
    case 6: return static_cast<std::int32_t>(SharedVolumes::Read());
    default:
        pxm_err(6, 200012, __FILE__, __LINE__, 0, 0, "Invalid command, %d", command);
        return -2;
    }
}

int VolumeServer::Run() {
    LockSharedVolumes();
    BootExecuteList::Rebuild();
    pp::NamedPipeListener listener;
    const int rc = listener.Create(kVolumePipeName, PipeServer::Options(0));
    if (rc != 0) {
        pxm_err(3, 200006, __FILE__, __LINE__, 0, 0, "Unable to create volsvc named pipe, error 0x%x", rc);
        return rc;
    }
    PipeServer::Run(listener, gate_, [&](int fd) {
        unsigned char request[12];
        const int read = PipeChannel::ReadExact(fd, request, sizeof request, gate_.WakeFd());
        std::int32_t reply = -2;
        if (read != 0) {
            pxm_err(3, 200008, __FILE__, __LINE__, 0, 0, "Unable to read from volsvc pipe, error 0x%x", read);
        } else {
            reply = Handle(PipeChannel::WordAt(request), static_cast<std::int32_t>(PipeChannel::WordAt(request + 4)),
                           static_cast<char>(request[8]));
        }
        unsigned char out[4];
        PipeChannel::PutWord(out, static_cast<std::uint32_t>(reply));
        // A client that left early costs its reply only, never the server.
        const int wrote = PipeChannel::Write(fd, out, sizeof out);
        if (wrote != 0)
            pxm_err(3, 200013, __FILE__, __LINE__, 0, 0, "Unable to write to volsvc named pipe, 0x%x", wrote);
        return SessionEnd::Next;
    });
    return 0;
}

}  // namespace hvsvc
