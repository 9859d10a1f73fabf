// The system's file shares: $HV_SYSTEM_DIR/shares, one section per share
// with every field of a level-502 share record, replaced atomically under a
// lock so that concurrent writers lose nothing and a reader never sees half a
// file. Share names compare without regard to case, as the LAN manager's do.
//
//   [share]
//   name=DATA
//   type=0
//   permissions=0
//   max_uses=4294967295
//   current_uses=0
//   path=/srv/data
//   remark=Team data\nsecond line
//   security=NONE            (or the self-relative descriptor as hex)
//
// Values escape '\\', control bytes and line ends ("\\", "\n", "\xHH").
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hvadmin {

struct ShareRecord {
    std::string name;
    std::uint32_t type = 0;
    std::uint32_t permissions = 0;
    std::uint32_t maxUses = 0;
    std::uint32_t currentUses = 0;
    std::string path;
    std::string remark;
    std::vector<std::uint8_t> descriptor;  // empty: none
};

class ShareStore {
public:
    static constexpr int kNerrDuplicateShare = 2118;
    static constexpr int kNerrNetNameNotFound = 2310;
    static constexpr int kErrorInvalidData = 13;
    static constexpr std::size_t kMaxFileBytes = 64u << 20;

    static std::string Path();

    // Every share, in the order they were added. A missing file is no share.
    // 0, or a Win32 error number (13 for a file that does not parse).
    static int Load(std::vector<ShareRecord>* shares);

    // NetShareAdd: 0; 2118 when a share of that name exists; else a Win32 error.
    static int Add(const ShareRecord& share);
    // NetShareDel: 0; 2310 when there is none of that name; else a Win32 error.
    static int Delete(const std::string& name);

    // The file's text for these shares, and back (false for bad text).
    static std::string Format(const std::vector<ShareRecord>& shares);
    static bool Parse(const std::string& text, std::vector<ShareRecord>* shares);
};

}  // namespace hvadmin
