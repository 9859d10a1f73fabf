#include "ShareStore.h"

#include "SecurityDescriptor.h"
#include "ShareDefinition.h"
#include "platform/AtomicFileWrite.h"
#include "platform/ErrnoWin32.h"
#include "platform/SystemDir.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace hvadmin {

namespace pf = portlib::platform;

namespace {

std::string Escape(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\n') {
            out += "\\n";
        } else if (c < 0x20 || c == 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", c);
            out += buf;
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out;
}

bool Unescape(const std::string& s, std::string* out) {
    out->clear();
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '\\') {
            out->push_back(s[i]);
            continue;
        }
        if (++i == s.size()) return false;
        if (s[i] == '\\') {
            out->push_back('\\');
        } else if (s[i] == 'n') {
            out->push_back('\n');
        } else if (s[i] == 'x' && i + 2 < s.size()) {
            std::vector<std::uint8_t> byte;
            if (!HexToBytes(s.substr(i + 1, 2), &byte)) return false;
            out->push_back(static_cast<char>(byte[0]));
            i += 2;
        } else {
            return false;
        }
    }
    return true;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

bool SetField(ShareRecord* r, const std::string& key, const std::string& raw) {
    std::string v;
    if (!Unescape(raw, &v)) return false;
    if (key == "name") r->name = v;
    else if (key == "type") return ParseDecimalU32(v, &r->type);
    else if (key == "permissions") return ParseDecimalU32(v, &r->permissions);
    else if (key == "max_uses") return ParseDecimalU32(v, &r->maxUses);
    else if (key == "current_uses") return ParseDecimalU32(v, &r->currentUses);
    else if (key == "path") r->path = v;
    else if (key == "remark") r->remark = v;
    else if (key == "security") {
        r->descriptor.clear();
        return v == "NONE" || HexToBytes(v, &r->descriptor);
    } else return false;
    return true;
}

// The store's lock, held while a change reads and rewrites the file.
class StoreLock {
public:
    StoreLock() {
        std::string dir;
        if (pf::EnsureSystemPath(pf::SysArea::Root, &dir) != 0) return;
        fd_ = ::open((dir + "/shares.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0660);
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
        if (fd_ < 0) err_ = errno;
    }
    ~StoreLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;
    int Error() const { return fd_ >= 0 ? 0 : pf::Win32FromErrno(err_ ? err_ : EIO); }

private:
    int fd_ = -1;
    int err_ = 0;
};

int Save(const std::vector<ShareRecord>& shares) {
    const int rc = pf::WriteFileAtomically(ShareStore::Path(), ShareStore::Format(shares), 0660);
    return rc == 0 ? 0 : pf::Win32FromErrno(rc);
}

}  // namespace

std::string ShareStore::Path() { return pf::SystemPath(pf::SysArea::Root) + "/shares"; }

std::string ShareStore::Format(const std::vector<ShareRecord>& shares) {
    std::string text;
    for (const ShareRecord& r : shares) {
        text += "[share]\nname=" + Escape(r.name) + "\ntype=" + std::to_string(r.type) +
                "\npermissions=" + std::to_string(r.permissions) + "\nmax_uses=" + std::to_string(r.maxUses) +
                "\ncurrent_uses=" + std::to_string(r.currentUses) + "\npath=" + Escape(r.path) +
                "\nremark=" + Escape(r.remark) +
                "\nsecurity=" + (r.descriptor.empty() ? std::string("NONE") : BytesToHex(r.descriptor)) + "\n";
    }
    return text;
}

bool ShareStore::Parse(const std::string& text, std::vector<ShareRecord>* shares) {
    shares->clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t nl = text.find('\n', pos);
        if (nl == std::string::npos) return false;  // every line ends
        const std::string line = text.substr(pos, nl - pos);
        pos = nl + 1;
        if (line == "[share]") {
            shares->emplace_back();
            continue;
        }
        const std::size_t eq = line.find('=');
        if (shares->empty() || eq == std::string::npos) return false;
        if (!SetField(&shares->back(), line.substr(0, eq), line.substr(eq + 1))) return false;
    }
    for (const ShareRecord& r : *shares)
        if (r.name.empty()) return false;
    return true;
}

int ShareStore::Load(std::vector<ShareRecord>* shares) {
    shares->clear();
    std::string text;
    const int rc = pf::ReadWholeFile(Path(), &text, kMaxFileBytes);
    if (rc == ENOENT) return 0;
    if (rc != 0) return pf::Win32FromErrno(rc);
    return Parse(text, shares) ? 0 : kErrorInvalidData;
}

int ShareStore::Add(const ShareRecord& share) {
    StoreLock lock;
    if (lock.Error() != 0) return lock.Error();
    std::vector<ShareRecord> shares;
    if (const int rc = Load(&shares); rc != 0) return rc;
    for (const ShareRecord& r : shares)
        if (SameName(r.name, share.name)) return kNerrDuplicateShare;
    shares.push_back(share);
    return Save(shares);
}

int ShareStore::Delete(const std::string& name) {
    StoreLock lock;
    if (lock.Error() != 0) return lock.Error();
    std::vector<ShareRecord> shares;
    if (const int rc = Load(&shares); rc != 0) return rc;
    for (auto it = shares.begin(); it != shares.end(); ++it) {
        if (SameName(it->name, name)) {
            shares.erase(it);
            return Save(shares);
        }
    }
    return kNerrNetNameNotFound;
}

}  // namespace hvadmin
