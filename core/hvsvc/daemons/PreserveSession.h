// One client of the object-persistence pipe: requests read one after the
// other on the same connection until the client leaves or breaks the
// protocol. Every word is 32-bit little-endian.
//   request: {magic 0x87654321, command, force flag}, then a 4-byte pid
//            (process commands), or a 4-byte length (1 to 264, the name's
//            NUL included) and the name ending in its only NUL (name
//            commands), or nothing (listings, clean-up)
//   reply:   {magic, status, flags}, the Win32 error word when flags carry
//            0x20000, then the command's data: an exit code (status query),
//            or a count and its records (listings)
// A wrong magic, an unknown command, a short or silent request, a bad name
// length and a reply that cannot be written end the connection (no reply);
// the stop magic 0x12345678 ends it and the server.
#pragma once

#include "HeldNameTable.h"
#include "HeldPidTable.h"
#include "PipeServer.h"

#include <cstdint>
#include <vector>

namespace hvsvc {

// The server's tables, alive as long as its thread.
struct PreserveTables {
    HeldPidTable pids;
    HeldNameTable events{HeldKind::Event};
    HeldNameTable shm{HeldKind::SharedMemory};
    HeldNameTable mutexes{HeldKind::Mutex};
};

class PreserveSession {
public:
    static constexpr std::size_t kObjectRecordBytes = HeldNameTable::kNameField + 8;
    static constexpr std::size_t kPidRecordBytes = 12;

    PreserveSession(PreserveTables& tables, int fd, int cancelFd, int silenceMs)
        : tables_(tables), fd_(fd), cancelFd_(cancelFd), silenceMs_(silenceMs) {}

    SessionEnd Serve();

private:
    // One request after its header. False ends the connection.
    bool Process(std::uint32_t command, std::uint32_t force);
    bool ReadPid(std::int32_t* pid);
    bool ReadName(std::string* name);
    HeldNameTable* NameTable(std::uint32_t command);

    // The reply's head and error word into reply_.
    void Head(const PreserveResult& result);
    void Word(std::uint32_t word);
    bool Send();

    PreserveTables& tables_;
    int fd_;
    int cancelFd_;
    int silenceMs_;
    std::vector<unsigned char> reply_;
};

}  // namespace hvsvc
