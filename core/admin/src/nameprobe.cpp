// nameprobe <ServerName> {<TimeOutInterval>}: tells by its exit code whether
// a NetBIOS name answers on some LAN adapter. 0 it answered; 1 it did not,
// or the time-out (seconds) expired; 3 an adapter could not be reset; 5
// usage; 7 the adapters could not be listed; 9 the time-out could not be set.
#include "NameProbe.h"
#include "HelpOption.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace {

// Whole seconds, 1 and more, whose milliseconds fit 32 bits.
bool ReadSeconds(const char* text, std::uint32_t* ms) {
    std::uint64_t v = 0;
    if (*text == '\0') return false;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return false;
        v = v * 10 + static_cast<unsigned>(*p - '0');
        if (v * 1000 > UINT32_MAX) return false;
    }
    if (v == 0) return false;
    *ms = static_cast<std::uint32_t>(v * 1000);
    return true;
}

// The time-out: a thread that ends the process with 1 when it expires, even
// while the main thread waits in a query.
bool StartTimeout(std::uint32_t ms) {
    try {
        std::thread([ms] {
            std::this_thread::sleep_until(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms));
            std::fflush(nullptr);
            ::_exit(1);
        }).detach();
        return true;
    } catch (const std::system_error&) {
        return false;
    }
}

constexpr const char* kUsage = "\nUsage : nameprobe <ServerName> {<TimeOutInterval>}\n";

}  // namespace

int main(int argc, char** argv) {
    if (portlib::AsksForHelp(argc, argv)) return portlib::PrintHelp(kUsage, "");
    if (argc != 2 && argc != 3) {
        std::fputs(kUsage, stderr);
        return 5;
    }
    if (argc == 3) {
        std::uint32_t ms = 0;
        if (!ReadSeconds(argv[2], &ms) || !StartTimeout(ms)) return 9;
    }
    const nameprobe::NetbiosName name = nameprobe::CallName(argv[1]);
    std::vector<nameprobe::Lana> lanas;
    if (nameprobe::ListLanas(&lanas) != 0) return 7;
    nameprobe::NameProbe probe(std::move(lanas));
    if (probe.ResetAll() != 0) return 3;
    for (std::size_t i = 0; i < probe.Count(); ++i)
        if (probe.AdapterStatus(i, name)) return 0;
    return 1;
}
