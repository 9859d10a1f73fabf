// Copying a file to another system: copy_file sends it in chunks as '@' 'f'
// requests; the destination's daemon writes each chunk with rcopy_file.
// Chunk: "<C|A>\x01<base name>\x01<destination>\x01 \x01 \x01<0mode>\x01<offset>\x01<size>\x01"
// followed by the size bytes.
#include "qdberr.h"
#include "qdbmes.h"

#include "UnixPath.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kChunk = 100000;
constexpr int kFields = 8;

std::string BaseName(const char* path) {
    std::string p(path);
    while (p.size() > 1 && p.back() == '/') p.pop_back();
    const std::size_t slash = p.rfind('/');
    return slash == std::string::npos ? p : p.substr(slash + 1);
}

// Reads exactly n bytes unless the file ends first; the count read, -1 on error.
ssize_t ReadFull(int fd, char* buf, std::size_t n) {
    std::size_t got = 0;
    while (got < n) {
        const ssize_t r = ::read(fd, buf + got, n - got);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (r == 0) break;
        got += static_cast<std::size_t>(r);
    }
    return static_cast<ssize_t>(got);
}

bool WriteFull(int fd, const char* buf, std::size_t n, std::size_t* written) {
    *written = 0;
    while (*written < n) {
        const ssize_t w = ::write(fd, buf + *written, n - *written);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        *written += static_cast<std::size_t>(w);
    }
    return true;
}

// A decimal or octal field that must be wholly a number.
bool ParseNumber(const std::string& text, int base, long long* out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text.c_str(), &end, base);
    if (errno != 0 || *end != '\0') return false;
    *out = v;
    return true;
}

int ChunkFault(const char* what) { return hv_err(23, 1321, QDB_ARGS, "rcopy_file: %s", what); }

}  // namespace

extern "C" int copy_file(const char* system, const char* source, const char* dest) {
    if (source == nullptr) return hv_err(23, 1303, QDB_ARGS, "path argument may not be NULL");
    if (dest == nullptr) return hv_err(23, 1304, QDB_ARGS, "destination path argument may not be NULL");
    if (*dest == '\0') return hv_err(23, 1305, QDB_ARGS, "destination path can't be zero length string");
    const int fd = ::open(source, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return hv_err(24, 1306, "open(%s) failed", source);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int rc = hv_err(24, 1307, "fstat(%s) failed", source);
        ::close(fd);
        return rc;
    }
    if (!S_ISREG(st.st_mode)) {
        const int rc = hv_err(23, 1308, QDB_ARGS, "file \"%s\" is not an ordinary file (mode=0%o)", source,
                              static_cast<unsigned>(st.st_mode));
        ::close(fd);
        return rc;
    }
    const std::string base = BaseName(source);
    const unsigned mode = static_cast<unsigned>(st.st_mode) & 07777;
    const std::size_t total = static_cast<std::size_t>(st.st_size);
    std::vector<char> buf;
    std::size_t offset = 0;
    int rc = 0;
    do {
        const std::size_t chunk = std::min(total - offset, kChunk);
        char header[PATH_MAX * 2 + 128];
        const int hlen = std::snprintf(header, sizeof header, "%c\x01%s\x01%s\x01 \x01 \x01" "0%o\x01%ld\x01%lu\x01",
                                       offset == 0 ? 'C' : 'A', base.c_str(), dest, mode, static_cast<long>(offset),
                                       static_cast<unsigned long>(chunk));
        if (hlen < 0 || hlen >= static_cast<int>(sizeof header)) {
            rc = hv_err(23, 1305, QDB_ARGS, "copy_file: destination path too long");
            break;
        }
        buf.assign(header, header + hlen);
        buf.resize(static_cast<std::size_t>(hlen) + chunk);
        if (chunk > 0) {
            const ssize_t got = ReadFull(fd, buf.data() + hlen, chunk);
            if (got < 0) {
                rc = hv_err(24, 1311, "read(%s,%lu){%.*s} failed", source, static_cast<unsigned long>(chunk), hlen,
                            header);
                break;
            }
            if (static_cast<std::size_t>(got) != chunk) {
                rc = hv_err(23, 1312, "read %d bytes of %lu bytes of file \"%s\"", static_cast<int>(got),
                            static_cast<unsigned long>(chunk), source);
                break;
            }
        }
        rc = cfgstore::SendRemote(nullptr, kQdbMesMax, system, '@', 'f', buf.data(), buf.size());
        offset += chunk;
    } while (rc == 0 && offset < total);
    ::close(fd);
    return rc;
}

int rcopy_file(const MessagePtr& request, const char* text, int length) {
    if (text == nullptr || length < 0) return ChunkFault("no chunk");
    // Eight fields, each ended by \x01; the bytes follow the eighth.
    std::string fields[kFields];
    const char* p = text;
    const char* const end = text + length;
    for (int i = 0; i < kFields; ++i) {
        const char* sep = static_cast<const char*>(std::memchr(p, '\x01', static_cast<std::size_t>(end - p)));
        if (sep == nullptr) return ChunkFault("header cut short");
        fields[i].assign(p, sep);
        p = sep + 1;
    }
    const std::string& cmd = fields[0];
    const std::string& base = fields[1];
    const std::string& dest = fields[2];
    long long mode = 0, offset = 0, size = 0;
    if (cmd != "C" && cmd != "A") return ChunkFault("command is neither C nor A");
    if (!ParseNumber(fields[5], 8, &mode) || !ParseNumber(fields[6], 10, &offset) || !ParseNumber(fields[7], 10, &size))
        return ChunkFault("mode, offset or size is not a number");
    const long long received = end - p;
    if (offset < 0 || size < 0 || size > received)
        return hv_err(23, 1321, QDB_ARGS, "rcopy_file: chunk claims %lld bytes at offset %lld, %lld received", size,
                      offset, received);
    // The base name only ever names a file inside the destination directory.
    if (base.empty() || base == "." || base == ".." || base.find('/') != std::string::npos ||
        base.find('\0') != std::string::npos || dest.empty() || dest.find('\0') != std::string::npos)
        return ChunkFault("bad file name");
    // Never a set-user-id, set-group-id or sticky file from a peer.
    const mode_t perm = static_cast<mode_t>(mode) & 0777;

    std::string target;
    struct stat st {};
    if (::stat(dest.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            target = dest + "/" + base;
        } else if (S_ISREG(st.st_mode)) {
            target = dest;
        } else {
            return hv_err(23, 1315, QDB_ARGS, "existing destination path \"%s\" has mode 0%o", dest.c_str(),
                          static_cast<unsigned>(st.st_mode));
        }
    } else if (errno == ENOENT) {
        const std::size_t slash = dest.rfind('/');
        if (slash != std::string::npos && slash > 0) {
            const std::string parent = dest.substr(0, slash);
            if (portlib::mkdirp(parent.c_str(), 0755) != 0 && errno != EEXIST)
                return hv_err(24, 1313, "mkdirp(%s,0755) failed", parent.c_str());
        }
        target = dest;
    } else {
        return hv_err(24, 1314, "stat(%s) failed", dest.c_str());
    }
    const int oflag = O_WRONLY | O_CREAT | O_CLOEXEC | (cmd == "C" ? O_TRUNC : 0);
    hv_debug(__FILE__, __LINE__, "rcopy_file",
             "rcopy_file: cmd=%s oflag=0x%x file=%s path=%s destpath=%s mode=0%o offset=%lld siz=%lld", cmd.c_str(),
             oflag, base.c_str(), dest.c_str(), target.c_str(), static_cast<unsigned>(perm), offset, size);
    int fd = ::open(target.c_str(), oflag, perm);
    if (fd < 0) return hv_err(24, 1316, "open(%s,0x%x,0%o) failed", target.c_str(), oflag, static_cast<unsigned>(perm));
    ::close(fd);
    if (::chmod(target.c_str(), perm) != 0) hv_err(24, 1317, "chmod(%s,0%o) failed", target.c_str(), static_cast<unsigned>(perm));
    fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) return hv_err(24, 1316, "open(%s,0x%x,0%o) failed", target.c_str(), oflag, static_cast<unsigned>(perm));
    if (::lseek(fd, static_cast<off_t>(offset), SEEK_SET) < 0) {
        const int rc = hv_err(24, 1319, "lseek(%s,%lld) failed", target.c_str(), offset);
        ::close(fd);
        return rc;
    }
    std::size_t written = 0;
    const bool ok = WriteFull(fd, p, static_cast<std::size_t>(size), &written);
    if (!ok && errno != 0) hv_err(24, 1320, "write(%s,%lld) failed", target.c_str(), size);
    ::close(fd);
    if (written != static_cast<std::size_t>(size))
        return hv_err(23, 1321, "only %zu bytes written of %lld to file \"%s\"", written, size, target.c_str());
    qdbsendret(request, "%s", "");
    return 0;
}
