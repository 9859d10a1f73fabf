#include "DiskTargets.h"

#include "DriveMap.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sstream>

namespace hvadmin {

namespace {

// Names with their numbers in numeric order: loop2 before loop10.
bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) && std::isdigit(static_cast<unsigned char>(b[j]))) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && std::isdigit(static_cast<unsigned char>(a[ei]))) ++ei;
            while (ej < b.size() && std::isdigit(static_cast<unsigned char>(b[ej]))) ++ej;
            const std::string na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j]) return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    return a.size() - i < b.size() - j;
}

bool HasSectors(const std::string& name) {
    std::ifstream in("/sys/block/" + name + "/size");
    unsigned long long sectors = 0;
    return static_cast<bool>(in >> sectors) && sectors > 0;
}

}  // namespace

std::string VolumeDevice(char letter) {
    portlib::DriveEntry entry;
    return portlib::DriveMap::Find(letter, &entry) == 0 ? entry.device : std::string();
}

std::vector<std::string> WholeDisks() {
    std::set<std::string> only;
    bool limited = false;
#ifdef HV_TEST_BUILD
    if (const char* test = std::getenv("HV_TEST_DISKS")) {
        limited = true;
        std::istringstream words(test);
        for (std::string w; words >> w;) only.insert(w);
    }
#endif
    std::vector<std::string> names;
    if (DIR* dir = ::opendir("/sys/block")) {
        while (dirent* e = ::readdir(dir)) {
            const std::string name = e->d_name;
            if (name[0] == '.' || (limited && only.count(name) == 0) || !HasSectors(name)) continue;
            names.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(names.begin(), names.end(), NaturalLess);
    for (std::string& n : names) n = "/dev/" + n;
    return names;
}

}  // namespace hvadmin
