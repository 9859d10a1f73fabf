// A shared library that defines a libc function under libc's name replaces
// it for the whole process. portlib must define none.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <link.h>
#include <set>
#include <string>

#ifndef HV_PORTLIB_FILE
#error "HV_PORTLIB_FILE (the built libportlib.so) must be defined by the build"
#endif

namespace {

// Names of the dynamic symbols a library defines (versions stripped).
std::set<std::string> DefinedSymbols(const std::string& lib) {
    std::set<std::string> names;
    std::string cmd = "nm -D --defined-only '" + lib + "' 2>/dev/null";
    FILE* p = ::popen(cmd.c_str(), "r");
    if (p == nullptr) return names;
    char line[4096];
    while (std::fgets(line, sizeof line, p)) {
        // "<address> <type> <name>[@[@]version]"
        char addr[64], type[8], name[2048];
        if (std::sscanf(line, "%63s %7s %2047s", addr, type, name) != 3) continue;
        std::string n = name;
        std::size_t at = n.find('@');
        if (at != std::string::npos) n.resize(at);
        names.insert(n);
    }
    ::pclose(p);
    return names;
}

std::string LibcPath() {
    std::string found;
    ::dl_iterate_phdr(
        [](struct dl_phdr_info* info, size_t, void* data) {
            const char* name = info->dlpi_name;
            if (name && std::strstr(name, "/libc.so")) {
                *static_cast<std::string*>(data) = name;
                return 1;
            }
            return 0;
        },
        &found);
    return found;
}

TEST(ExportedSymbols, NoneOfLibcsNames) {
    std::set<std::string> ours = DefinedSymbols(HV_PORTLIB_FILE);
    ASSERT_FALSE(ours.empty()) << "nm found nothing in " << HV_PORTLIB_FILE;
    // The names the Unix-style functions have in libc, checked by name...
    const char* unixNames[] = {"kill",    "sleep",   "uname",    "getopt",    "optarg",   "optind",  "opterr",
                               "basename", "dirname", "fork",     "signal",    "sigset",   "sigprocmask",
                               "sigrelse", "sigsend", "opendir",  "readdir",   "closedir", "rewinddir",
                               "getpgid", "setsid",  "sbrk",     "getuid",    "waitpid",  "wait",    "fcntl",
                               "fchown",  "fchmod",  "getgrgid", "getgrnam",  "getpwuid", "getpwnam"};
    for (const char* n : unixNames) EXPECT_EQ(ours.count(n), 0u) << n;
    // ...and every name libc itself defines.
    std::string libc = LibcPath();
    ASSERT_FALSE(libc.empty());
    std::set<std::string> libcNames = DefinedSymbols(libc);
    ASSERT_GT(libcNames.size(), 1000u) << libc;
    for (const std::string& n : ours) {
        if (n == "_init" || n == "_fini") continue;  // every shared object has these
        EXPECT_EQ(libcNames.count(n), 0u) << "portlib exports libc's " << n;
    }
}

}  // namespace
