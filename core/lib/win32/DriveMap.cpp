#include "DriveMap.h"

#include "platform/AtomicFileWrite.h"
#include "platform/SystemDir.h"

#include <algorithm>
#include <cerrno>
#include <cctype>
#include <sstream>

namespace portlib {

namespace {

struct KindName {
    const char* word;
    unsigned type;
};
constexpr KindName kKinds[] = {
    {"fixed", HV_DRIVE_FIXED},
    {"removable", HV_DRIVE_REMOVABLE},
    {"remote", HV_DRIVE_REMOTE},
    {"cdrom", HV_DRIVE_CDROM},
};

const char* KindWord(unsigned type) {
    for (const KindName& k : kKinds)
        if (k.type == type) return k.word;
    return nullptr;
}

bool GoodDevice(const std::string& device) {
    if (device.empty() || device[0] != '/' || device.size() > 4095) return false;
    return std::none_of(device.begin(), device.end(),
                        [](char c) { return std::isspace(static_cast<unsigned char>(c)) || c == '\0'; });
}

// "E:" or "e:" -> 'E'; 0 otherwise.
char LetterOf(const std::string& word) {
    if (word.size() != 2 || word[1] != ':') return 0;
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(word[0])));
    return c >= 'A' && c <= 'Z' ? c : 0;
}

}  // namespace

std::string DriveMap::Path() { return platform::SystemDir() + "/drivemap"; }

void DriveMap::Parse(const std::string& text, std::vector<DriveEntry>* drives) {
    drives->clear();
    std::uint32_t seen = 0;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string first, device, kind, extra;
        if (!(words >> first) || first[0] == '#') continue;
        const char letter = LetterOf(first);
        if (letter == 0 || !(words >> device) || !GoodDevice(device)) continue;
        DriveEntry e;
        e.letter = letter;
        e.device = device;
        if (words >> kind) {
            e.type = HV_DRIVE_UNKNOWN;
            for (const KindName& k : kKinds)
                if (kind == k.word) e.type = k.type;
            if (e.type == HV_DRIVE_UNKNOWN || (words >> extra)) continue;
        }
        const std::uint32_t bit = 1u << (letter - 'A');
        if (seen & bit) continue;
        seen |= bit;
        drives->push_back(std::move(e));
    }
    std::sort(drives->begin(), drives->end(),
              [](const DriveEntry& a, const DriveEntry& b) { return a.letter < b.letter; });
}

int DriveMap::Load(std::vector<DriveEntry>* drives) {
    drives->clear();
    std::string text;
    int rc = platform::ReadWholeFile(Path(), &text, kMaxFileBytes);
    if (rc == ENOENT) return 0;
    if (rc != 0) return rc;
    Parse(text, drives);
    return 0;
}

int DriveMap::Find(char letter, DriveEntry* drive) {
    const char want = static_cast<char>(std::toupper(static_cast<unsigned char>(letter)));
    std::vector<DriveEntry> drives;
    int rc = Load(&drives);
    if (rc != 0) return rc;
    for (DriveEntry& d : drives) {
        if (d.letter == want) {
            *drive = std::move(d);
            return 0;
        }
    }
    return ENOENT;
}

std::uint32_t DriveMap::LogicalDrives() {
    std::vector<DriveEntry> drives;
    std::uint32_t mask = 0;
    if (Load(&drives) == 0)
        for (const DriveEntry& d : drives) mask |= 1u << (d.letter - 'A');
    return mask;
}

int DriveMap::Save(const std::vector<DriveEntry>& drives) {
    std::string text = "# drive letter, block device, kind\n";
    for (const DriveEntry& d : drives) {
        const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(d.letter)));
        const char* kind = KindWord(d.type);
        if (letter < 'A' || letter > 'Z' || !GoodDevice(d.device) || kind == nullptr) return EINVAL;
        text += letter;
        text += ": " + d.device + " " + kind + "\n";
    }
    int rc = platform::EnsureSystemPath(platform::SysArea::Root);
    return rc != 0 ? rc : platform::WriteFileAtomically(Path(), text, 0660);
}

}  // namespace portlib
