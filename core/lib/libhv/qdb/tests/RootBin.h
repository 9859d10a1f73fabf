// A root directory with the outside programs under <root>/bin as the
// library starts them: sh.exe and rm are the system's, nohup.exe, sendevent
// qdbdorem and qdbrecover our stand-ins (symbolic links, as scripts/install-bin.sh
// makes them).
#pragma once

#include <filesystem>
#include <string>

namespace cfgtest {

inline void InstallRootBin(const std::string& root) {
    namespace fs = std::filesystem;
    const fs::path bin = fs::path(root) / "bin";
    fs::create_directories(bin);
    const struct {
        const char* name;
        const char* target;
    } links[] = {
        {"sh.exe", "/bin/sh"},          {"rm", "/bin/rm"},
        {"nohup.exe", HV_NOHUP_BIN},    {"sendevent", HV_SENDEVENT_BIN},
        {"qdbdorem", HV_QDBDOREM_BIN},
#ifdef HV_QDBRECOVER_BIN
        {"qdbrecover", HV_QDBRECOVER_BIN},
#endif
    };
    for (const auto& l : links) {
        std::error_code ec;
        fs::remove(bin / l.name, ec);
        fs::create_symlink(l.target, bin / l.name);
    }
}

}  // namespace cfgtest
