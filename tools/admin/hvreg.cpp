// hvreg: reads and sets a simulated system's registry values (the store
// under $HV_SYSTEM_DIR/registry), what a setup program does on a real
// installation. A minimal implementation for scripts and tests.
#include "AdapterSeed.h"
#include "WholeNumber.h"
#include "RegHV.h"
#include "platform/ComputerName.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: hvreg COMMAND ARGUMENTS\n"
    "\n"
    "A minimal tool for a system's registry (below HV_SYSTEM_DIR), as a setup\n"
    "program fills it. SECTION is a key below SOFTWARE\\Vexa\\Holdervane\n"
    "(\"General\", \"HVINIT\", ...).\n"
    "  set SECTION NAME TEXT       store the string value (REG_SZ)\n"
    "  setint SECTION NAME NUMBER  store the DWORD value\n"
    "  get SECTION NAME            print the value (a string or a DWORD)\n"
    "  computer-name NAME          store the system's ComputerName (at most 15\n"
    "                              characters; letters, digits, '-' and '_')\n"
    "  adapters                    store every network adapter's present IPv4\n"
    "                              addresses, masks and default gateway as its\n"
    "                              TCP/IP settings (run in the system's network\n"
    "                              namespace); one line \"<adapter> <addresses>\"\n"
    "                              each"
    "\n"
    "Exit status: 0 done; 1 bad command line; 2 the value is missing; 3 the\n"
    "registry refused (its Win32 error is printed).\n";

int Usage(const char* why) {
    std::fprintf(stderr, "hvreg: %s\n\n%s", why, kUsage);
    return 1;
}

int Refused(const char* what, int rc) {
    std::fprintf(stderr, "hvreg: %s: registry error %d\n", what, rc);
    return rc == 2 ? 2 : 3;
}

// A whole number within a DWORD's range, the text nothing else.
bool ReadNumber(const char* text, long long* out) {
    return hvtool::ParseWholeNumber<long long>(text, -2147483648LL, 4294967295LL, out);
}

bool NameIsFit(const char* name) {
    const std::size_t n = std::strlen(name);
    if (n == 0 || n > portlib::platform::kMaxComputerName) return false;
    for (const char* p = name; *p != '\0'; ++p)
        if (!((*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z') || (*p >= '0' && *p <= '9') || *p == '-' ||
              *p == '_'))
            return false;
    return true;
}

int SeedAdapters() {
    std::vector<ipslib::SeededAdapter> seeded;
    std::string error;
    const int ok = ipslib::SeedAdapterSettings(&seeded, &error);
    for (const auto& a : seeded) std::printf("%s %zu\n", a.name.c_str(), a.addresses);
    if (ok) return 0;
    std::fprintf(stderr, "hvreg: adapters: %s\n", error.c_str());
    return 3;
}

int Get(const char* section, const char* name) {
    char buf[4096];
    portlib::DWORD size = sizeof buf;
    portlib::DWORD type = 0;
    const int rc = portlib::RegHVGetStr(section, name, buf, &size, &type);
    if (rc != 0) return Refused("get", rc);
    if (type == portlib::HV_REG_DWORD && size == 4) {
        std::uint32_t v = 0;
        std::memcpy(&v, buf, sizeof v);
        std::printf("%u\n", v);
    } else {
        std::printf("%s\n", buf);
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc < 2) return Usage("no command");
    const std::string cmd = argv[1];
    const int words = argc - 2;
    if (cmd == "set" && words == 3) {
        const int rc = portlib::RegHVSetStr(argv[2], argv[3], argv[4], portlib::HV_REG_SZ);
        return rc == 0 ? 0 : Refused("set", rc);
    }
    if (cmd == "setint" && words == 3) {
        long long v = 0;
        if (!ReadNumber(argv[4], &v)) return Usage("setint wants a whole number");
        const int rc = portlib::RegHVSetInt(argv[2], argv[3], static_cast<int>(static_cast<std::uint32_t>(v)));
        return rc == 0 ? 0 : Refused("setint", rc);
    }
    if (cmd == "get" && words == 2) return Get(argv[2], argv[3]);
    if (cmd == "computer-name" && words == 1) {
        if (!NameIsFit(argv[2])) return Usage("a computer name is 1 to 15 letters, digits, '-' or '_'");
        const int rc = portlib::platform::ComputerName::Set(argv[2]);
        return rc == 0 ? 0 : Refused("computer-name", rc);
    }
    if (cmd == "adapters" && words == 0) return SeedAdapters();
    if (cmd == "set" || cmd == "setint" || cmd == "get" || cmd == "computer-name" || cmd == "adapters")
        return Usage(("wrong number of arguments for " + cmd).c_str());
    return Usage(("unknown command \"" + cmd + "\"").c_str());
}
