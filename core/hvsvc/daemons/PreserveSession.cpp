#include "PreserveSession.h"

#include "PipeChannel.h"
#include "PreserveStatus.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace hvsvc {

namespace {

// Largest piece of a listing sent as one message.
constexpr std::size_t kSendPiece = 16 * 1024;

enum class Family { Pid, Name, Other };

Family FamilyOf(std::uint32_t command) {
    switch (command >> 24) {
    case 0x01: return Family::Pid;
    case 0x03:
    case 0x04:
    case 0x05: return Family::Name;
    default: return Family::Other;
    }
}

}  // namespace

SessionEnd PreserveSession::Serve() {
    for (;;) {
        unsigned char head[12];
        if (PipeChannel::ReadExact(fd_, head, sizeof head, cancelFd_, silenceMs_) != 0) return SessionEnd::Next;
        const std::uint32_t magic = PipeChannel::WordAt(head);
        if (magic == portlib::kPreserveStopMagic) return SessionEnd::StopServer;
        if (magic != kPreserveMagic) return SessionEnd::Next;
        if (!Process(PipeChannel::WordAt(head + 4), PipeChannel::WordAt(head + 8))) return SessionEnd::Next;
    }
}

bool PreserveSession::ReadPid(std::int32_t* pid) {
    std::uint32_t word = 0;
    if (PipeChannel::ReadWord(fd_, &word, cancelFd_, silenceMs_) != 0) return false;
    *pid = static_cast<std::int32_t>(word);
    return true;
}

bool PreserveSession::ReadName(std::string* name) {
    std::uint32_t length = 0;
    if (PipeChannel::ReadWord(fd_, &length, cancelFd_, silenceMs_) != 0) return false;
    // The length comes from the client: checked before anything is sized by it.
    if (length == 0 || length > HeldNameTable::kNameField) return false;
    char bytes[HeldNameTable::kNameField];
    if (PipeChannel::ReadExact(fd_, bytes, length, cancelFd_, silenceMs_) != 0) return false;
    // The name's only NUL ends it.
    if (std::memchr(bytes, '\0', length) != bytes + length - 1) return false;
    name->assign(bytes, length - 1);
    return true;
}

HeldNameTable* PreserveSession::NameTable(std::uint32_t command) {
    switch (command >> 24) {
    case 0x03: return &tables_.events;
    case 0x04: return &tables_.shm;
    case 0x05: return &tables_.mutexes;
    default: return nullptr;
    }
}

void PreserveSession::Word(std::uint32_t word) {
    unsigned char b[4];
    PipeChannel::PutWord(b, word);
    reply_.insert(reply_.end(), b, b + 4);
}

void PreserveSession::Head(const PreserveResult& result) {
    reply_.clear();
    Word(kPreserveMagic);
    Word(result.status);
    Word(result.hasError ? kPreserveFlagErrorWord : 0);
    if (result.hasError) Word(result.error);
}

bool PreserveSession::Send() {
    for (std::size_t at = 0; at < reply_.size(); at += kSendPiece) {
        const std::size_t n = std::min(kSendPiece, reply_.size() - at);
        if (PipeChannel::Write(fd_, reply_.data() + at, n, silenceMs_) != 0) return false;
    }
    return true;
}

bool PreserveSession::Process(std::uint32_t command, std::uint32_t force) {
    const std::uint32_t op = command & 0xFFFFFF;
    const Family family = FamilyOf(command);
    if (family == Family::Pid && (op == 1 || op == 2 || op == 3 || op == 7)) {
        std::int32_t pid = 0;
        if (!ReadPid(&pid)) return false;
        std::uint32_t exitCode = 0;
        PreserveResult r;
        switch (op) {
        case 1: r = tables_.pids.Store(pid); break;
        case 2: r = tables_.pids.Clear(pid); break;
        case 3: r = tables_.pids.Query(pid); break;
        default: r = tables_.pids.Status(pid, &exitCode); break;
        }
        Head(r);
        if (op == 7 && r.status == 0) Word(exitCode);
        return Send();
    }
    if (family == Family::Name && (op == 1 || op == 2 || op == 3)) {
        std::string name;
        if (!ReadName(&name)) return false;
        HeldNameTable* table = NameTable(command);
        Head(op == 1 ? table->Store(name) : op == 2 ? table->Clear(name, force != 0) : table->Query(name));
        return Send();
    }
    if (command == portlib::kPreserveCleanUpPids) {
        tables_.pids.CleanUp();
        Head(PreserveResult::Ok());
        return Send();
    }
    if (op != 5 || family == Family::Other) return false;
    // Listings.
    try {
        if (family == Family::Pid) {
            const std::vector<PidRecord> records = tables_.pids.Dump();
            Head(PreserveResult::Ok());
            Word(static_cast<std::uint32_t>(records.size()));
            for (const PidRecord& r : records) {
                Word(static_cast<std::uint32_t>(r.pid));
                Word(r.handle);
                Word(static_cast<std::uint32_t>(r.refs));
            }
        } else {
            const std::vector<NameRecord> records = NameTable(command)->Dump();
            Head(PreserveResult::Ok());
            Word(static_cast<std::uint32_t>(records.size()));
            for (const NameRecord& r : records) {
                unsigned char name[HeldNameTable::kNameField] = {};
                std::memcpy(name, r.name.data(), std::min(r.name.size(), sizeof name - 1));
                reply_.insert(reply_.end(), name, name + sizeof name);
                Word(r.handle);
                Word(static_cast<std::uint32_t>(r.refs));
            }
        }
    } catch (const std::bad_alloc&) {
        Head(PreserveResult::Failed(kPreserveStatusFailed, kWin32OutOfMemory));
    }
    return Send();
}

}  // namespace hvsvc
