#include "platform/RegistryValueFile.h"

#include "platform/AtomicFileWrite.h"

#include <cerrno>

namespace portlib::platform {

namespace {

constexpr char kMagic[4] = {'H', 'V', 'R', 'V'};
constexpr std::size_t kHeader = 16;

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t GetU32(const std::string& in, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[at + i])) << (8 * i);
    return v;
}

}  // namespace

std::string RegistryValueFile::Encode() const {
    std::string out(kMagic, sizeof kMagic);
    PutU32(out, type);
    PutU32(out, static_cast<std::uint32_t>(name.size()));
    PutU32(out, static_cast<std::uint32_t>(data.size()));
    out += name;
    out += data;
    return out;
}

int RegistryValueFile::Decode(const std::string& bytes) {
    if (bytes.size() < kHeader || bytes.compare(0, 4, kMagic, 4) != 0) return EBADMSG;
    std::uint64_t nameLen = GetU32(bytes, 8);
    std::uint64_t dataLen = GetU32(bytes, 12);
    if (kHeader + nameLen + dataLen != bytes.size()) return EBADMSG;
    type = GetU32(bytes, 4);
    name.assign(bytes, kHeader, nameLen);
    data.assign(bytes, kHeader + nameLen, dataLen);
    return 0;
}

int RegistryValueFile::Write(const std::string& path) const {
    return WriteFileAtomically(path, Encode(), 0660);
}

int RegistryValueFile::Read(const std::string& path) {
    std::string bytes;
    int rc = ReadWholeFile(path, &bytes, kHeader + 4096 + kMaxData);
    if (rc == EFBIG) return EBADMSG;
    if (rc != 0) return rc;
    return Decode(bytes);
}

}  // namespace portlib::platform
