// The reports of what one introduced peer connection sent wrong (packets
// that are no message, routes it may not announce). The first few are
// written whole; later ones are only counted, and the count is written, with
// the latest report, each time it reaches a power of two. A peer that floods
// costs a line per doubling of its faults, never a line per packet, and the
// connection serves on: a good message behind the bad ones still counts.
#pragma once

#include <cstdint>
#include <string>

class PeerFaultReports {
public:
    using Sink = void (*)(const std::string&);
    // Reports written whole before the counting starts.
    static constexpr std::uint64_t Whole = 4;

    // Counts one fault; writes line (or the count with it) through sink when due.
    void Report(const std::string& line, Sink sink) {
        ++count;
        if (count <= Whole) {
            sink(line);
        } else if ((count & (count - 1)) == 0) {
            sink(std::to_string(count) + " faults of this peer so far (reports held back), the last: " +
                 line);
        }
    }
    std::uint64_t Count() const { return count; }

private:
    std::uint64_t count = 0;
};
