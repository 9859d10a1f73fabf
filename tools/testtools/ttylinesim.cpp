// ttylinesim: a serial line between two serial agents on one machine, for
// tests and benchmarks. A minimal implementation, as its usage says.
//
// Two pty pairs; the slave of each is reached through a stable link name
// (DIR/a and DIR/b), which an agent opens as its serial port. Bytes written
// on a travel to b (direction ab) and bytes written on b travel to a (ba),
// copied between the two masters. Commands on standard input, one per line,
// each answered on standard output with one line ("ok ..." or "error ...");
// bytes and frames are counted per direction from the start.
#include <fcntl.h>
#include <getopt.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

const char* const kUsage =
    "usage: ttylinesim -d DIR\n"
    "A test tool (minimal implementation): a serial line simulated by two pty\n"
    "pairs whose slaves are linked as DIR/a and DIR/b. Bytes written on a go to b\n"
    "(direction ab), bytes written on b go to a (ba). Frames are found by their\n"
    "marker \"!@#$\" and length. It prints \"ready\" and reads commands on standard\n"
    "input, one per line, answering each with one line:\n"
    "  drop  ab|ba byte|frame N       drop the N-th byte or frame from now (1 = next)\n"
    "  flip  ab|ba byte|frame N [OFF] invert the N-th byte, or byte OFF (default 30)\n"
    "                                 of the N-th frame\n"
    "  delay ab|ba byte|frame N MS    hold the N-th byte or frame, and all behind it, MS ms\n"
    "  corrupt ab|ba PERMILLE SEED    flip one random byte in PERMILLE of 1000 frames\n"
    "  pause ab|ba  /  resume ab|ba   the direction carries nothing (bytes are lost)\n"
    "  rate BAUD                      at most BAUD/10 bytes a second each way (0: no limit)\n"
    "  recreate                       close both pty pairs, make new ones, relink\n"
    "  stats                          ok BYTES_AB FRAMES_AB BYTES_BA FRAMES_BA\n"
    "  quit\n";

using Clock = std::chrono::steady_clock;

long long NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count();
}

constexpr char kMarker[4] = {'!', '@', '#', '$'};
constexpr int kMinFrame = 24;
constexpr int kMaxFrame = 536;
// Bytes of an unfinished frame are passed on after this long.
constexpr long long kFrameWaitMs = 200;

struct Pty {
    int master = -1;
    std::string slave;
};

bool OpenPty(Pty& p) {
    p.master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (p.master < 0 || ::grantpt(p.master) != 0 || ::unlockpt(p.master) != 0) return false;
    char name[128];
    if (::ptsname_r(p.master, name, sizeof name) != 0) return false;
    p.slave = name;
    // Raw from the start (set through the master): a default line would echo
    // what arrives before an agent opens it.
    termios t{};
    if (::tcgetattr(p.master, &t) == 0) {
        ::cfmakeraw(&t);
        ::tcsetattr(p.master, TCSANOW, &t);
    }
    return true;
}

bool Link(const std::string& target, const std::string& link) {
    const std::string tmp = link + ".new";
    ::unlink(tmp.c_str());
    if (::symlink(target.c_str(), tmp.c_str()) != 0) return false;
    return ::rename(tmp.c_str(), link.c_str()) == 0;
}

enum class Unit { Byte, Frame };
enum class Action { Drop, Flip, Delay };

struct Rule {
    Action action;
    Unit unit;
    unsigned long long at;  // absolute count of the unit that it hits
    int offset;             // flip: byte of the frame
    long long ms;           // delay
};

// One direction of the line.
struct Direction {
    Direction(const char* n, int* f, int* t) : name(n), from(f), to(t) {}
    const char* name;
    int* from;
    int* to;
    std::string in;  // read, not yet cut into units
    long long inSince = 0;
    struct Chunk {
        std::string bytes;
        long long notBefore;
    };
    std::deque<Chunk> out;
    std::vector<Rule> rules;
    bool paused = false;
    unsigned long long bytes = 0;   // bytes passed into the line (counted before rules)
    unsigned long long frames = 0;  // frames passed into the line
    unsigned permille = 0;
    std::mt19937 rng{1};
    long long heldUntil = 0;  // a delay holds everything behind it
    double budget = 0;        // bytes the rate allows now
    long long budgetAt = 0;

    // The length of the unit at the front of in: a frame, or the bytes before
    // the next possible marker; 0 when more bytes are needed.
    std::size_t NextUnit(bool* isFrame, long long now) {
        *isFrame = false;
        const std::size_t n = in.size();
        if (n == 0) return 0;
        // Where a marker could start.
        std::size_t p = 0;
        for (; p < n; ++p) {
            const std::size_t k = n - p < 4 ? n - p : 4;
            if (std::memcmp(in.data() + p, kMarker, k) == 0) break;
        }
        if (p > 0) return p;  // bytes that are no frame
        if (n >= 6) {
            const int len = static_cast<unsigned char>(in[4]) | (static_cast<unsigned char>(in[5]) << 8);
            if (len < kMinFrame || len > kMaxFrame) return 1;  // a marker that starts no frame
            if (n >= static_cast<std::size_t>(len)) {
                *isFrame = true;
                return static_cast<std::size_t>(len);
            }
        }
        // An unfinished frame: wait a little for the rest.
        return now - inSince >= kFrameWaitMs ? n : 0;
    }

    void Cut(long long now) {
        for (;;) {
            bool isFrame = false;
            const std::size_t len = NextUnit(&isFrame, now);
            if (len == 0) return;
            std::string unit = in.substr(0, len);
            in.erase(0, len);
            inSince = now;
            Pass(unit, isFrame, now);
        }
    }

    void Pass(std::string unit, bool isFrame, long long now) {
        long long delay = 0;
        bool drop = false;
        if (isFrame) {
            ++frames;
            for (auto it = rules.begin(); it != rules.end();) {
                if (it->unit == Unit::Frame && it->at == frames) {
                    if (it->action == Action::Drop) drop = true;
                    if (it->action == Action::Flip && it->offset < static_cast<int>(unit.size()))
                        unit[static_cast<std::size_t>(it->offset)] ^= static_cast<char>(0xFF);
                    if (it->action == Action::Delay) delay = it->ms;
                    it = rules.erase(it);
                } else {
                    ++it;
                }
            }
            if (!drop && permille > 0 && rng() % 1000 < permille) {
                const std::size_t at = rng() % unit.size();
                unit[at] = static_cast<char>(unit[at] ^ (1 << (rng() % 8)));
            }
        }
        std::string kept;
        for (std::size_t i = 0; i < unit.size(); ++i) {
            ++bytes;
            bool dropByte = drop;
            for (auto it = rules.begin(); it != rules.end();) {
                if (it->unit == Unit::Byte && it->at == bytes) {
                    if (it->action == Action::Drop) dropByte = true;
                    if (it->action == Action::Flip) unit[i] ^= static_cast<char>(0xFF);
                    if (it->action == Action::Delay) {
                        // The bytes before it go now; it and the rest wait.
                        if (!kept.empty()) Queue(kept, now);
                        kept.clear();
                        delay = it->ms;
                    }
                    it = rules.erase(it);
                } else {
                    ++it;
                }
            }
            if (!dropByte) kept.push_back(unit[i]);
        }
        if (delay > 0) heldUntil = now + delay;
        if (!kept.empty()) Queue(kept, now);
    }

    void Queue(const std::string& bytes_, long long now) {
        if (paused) return;
        const long long at = heldUntil > now ? heldUntil : now;
        out.push_back({bytes_, at});
    }
};

struct Sim {
    std::string dir;
    Pty a, b;
    Direction ab{"ab", &a.master, &b.master};
    Direction ba{"ba", &b.master, &a.master};
    long long bytesPerSec = 0;

    bool Make() {
        if (!OpenPty(a) || !OpenPty(b)) return false;
        return Link(a.slave, dir + "/a") && Link(b.slave, dir + "/b");
    }
    void Close() {
        if (a.master >= 0) ::close(a.master);
        if (b.master >= 0) ::close(b.master);
        a.master = b.master = -1;
        for (Direction* d : {&ab, &ba}) {
            d->in.clear();
            d->out.clear();
        }
    }
    Direction* Dir(const std::string& name) { return name == "ab" ? &ab : name == "ba" ? &ba : nullptr; }

    // Bytes the rate allows now (a large number without a limit).
    std::size_t Allowed(Direction& d, long long now) {
        if (bytesPerSec <= 0) return static_cast<std::size_t>(1) << 30;
        if (d.budgetAt == 0) d.budgetAt = now;
        d.budget += static_cast<double>(now - d.budgetAt) * static_cast<double>(bytesPerSec) / 1000.0;
        d.budgetAt = now;
        const double cap = static_cast<double>(bytesPerSec) / 10.0 + 64;  // at most 100 ms of burst
        if (d.budget > cap) d.budget = cap;
        return d.budget >= 1 ? static_cast<std::size_t>(d.budget) : 0;
    }

    void Write(Direction& d, long long now) {
        while (!d.out.empty() && *d.to >= 0) {
            Direction::Chunk& c = d.out.front();
            if (c.notBefore > now) return;
            std::size_t n = c.bytes.size();
            const std::size_t allowed = Allowed(d, now);
            if (allowed == 0) return;
            if (n > allowed) n = allowed;
            const ssize_t w = ::write(*d.to, c.bytes.data(), n);
            if (w <= 0) return;  // full (or no reader yet): later
            if (bytesPerSec > 0) d.budget -= static_cast<double>(w);
            c.bytes.erase(0, static_cast<std::size_t>(w));
            if (c.bytes.empty()) d.out.pop_front();
        }
    }

    void Read(Direction& d, long long now) {
        char buf[4096];
        for (;;) {
            const ssize_t n = ::read(*d.from, buf, sizeof buf);
            if (n <= 0) return;  // nothing, or no agent on that side (EIO)
            if (d.paused) continue;
            if (d.in.empty()) d.inSince = now;
            d.in.append(buf, static_cast<std::size_t>(n));
        }
    }

    std::string Command(const std::string& line) {
        std::istringstream is(line);
        std::string cmd;
        is >> cmd;
        if (cmd == "drop" || cmd == "flip" || cmd == "delay") {
            std::string dname, unit;
            unsigned long long n = 0;
            is >> dname >> unit >> n;
            Direction* d = Dir(dname);
            if (d == nullptr || (unit != "byte" && unit != "frame") || n == 0) return "error bad arguments";
            Rule r{cmd == "drop" ? Action::Drop : cmd == "flip" ? Action::Flip : Action::Delay,
                   unit == "byte" ? Unit::Byte : Unit::Frame, 0, 30, 0};
            r.at = (r.unit == Unit::Byte ? d->bytes : d->frames) + n;
            if (r.action == Action::Flip && r.unit == Unit::Frame) {
                int off;
                if (is >> off) r.offset = off;
            }
            if (r.action == Action::Delay && !(is >> r.ms)) return "error delay needs MS";
            d->rules.push_back(r);
            return "ok";
        }
        if (cmd == "corrupt") {
            std::string dname;
            unsigned permille = 0, seed = 1;
            Direction* d = (is >> dname >> permille >> seed) ? Dir(dname) : nullptr;
            if (d == nullptr || permille > 1000) return "error bad arguments";
            d->permille = permille;
            d->rng.seed(seed);
            return "ok";
        }
        if (cmd == "pause" || cmd == "resume") {
            std::string dname;
            is >> dname;
            Direction* d = Dir(dname);
            if (d == nullptr) return "error bad arguments";
            d->paused = cmd == "pause";
            if (d->paused) {
                d->in.clear();
                d->out.clear();
            }
            return "ok";
        }
        if (cmd == "rate") {
            long long baud = -1;
            if (!(is >> baud) || baud < 0) return "error bad arguments";
            bytesPerSec = baud / 10;
            for (Direction* d : {&ab, &ba}) {
                d->budget = 0;
                d->budgetAt = 0;
            }
            return "ok";
        }
        if (cmd == "recreate") {
            Close();
            return Make() ? "ok" : "error cannot make the ptys";
        }
        if (cmd == "stats") {
            return "ok " + std::to_string(ab.bytes) + " " + std::to_string(ab.frames) + " " + std::to_string(ba.bytes) +
                   " " + std::to_string(ba.frames);
        }
        return "error unknown command";
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::string dir;
    int opt;
    static const struct option kLong[] = {{"help", no_argument, nullptr, 'h'}, {nullptr, 0, nullptr, 0}};
    while ((opt = ::getopt_long(argc, argv, "d:h", kLong, nullptr)) != -1) {
        if (opt == 'd') {
            dir = optarg;
        } else {
            std::fputs(kUsage, opt == 'h' ? stdout : stderr);
            return opt == 'h' ? 0 : 1;
        }
    }
    if (dir.empty() || optind != argc) {
        std::fputs(kUsage, stderr);
        return 1;
    }
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "ttylinesim: %s is not a directory\n", dir.c_str());
        return 1;
    }
    Sim sim;
    sim.dir = dir;
    if (!sim.Make()) {
        std::fprintf(stderr, "ttylinesim: cannot make the ptys in %s: %s\n", dir.c_str(), std::strerror(errno));
        return 1;
    }
    ::fcntl(0, F_SETFL, ::fcntl(0, F_GETFL) | O_NONBLOCK);
    std::printf("ready\n");
    std::fflush(stdout);
    std::string cmdline;
    for (;;) {
        const long long now = NowMs();
        pollfd fds[3] = {{0, POLLIN, 0}, {sim.a.master, POLLIN, 0}, {sim.b.master, POLLIN, 0}};
        if (!sim.ba.out.empty()) fds[1].events |= POLLOUT;
        if (!sim.ab.out.empty()) fds[2].events |= POLLOUT;
        // Wake for delayed bytes, the rate, and unfinished frames.
        int timeout = -1;
        for (Direction* d : {&sim.ab, &sim.ba}) {
            if (!d->out.empty()) {
                const long long wait = d->out.front().notBefore - now;
                // Due: wait for room (POLLOUT), or for the rate's next bytes.
                const int w = wait > 0 ? static_cast<int>(wait) : sim.bytesPerSec > 0 ? 5 : 100;
                if (timeout < 0 || w < timeout) timeout = w;
            }
            if (!d->in.empty() && (timeout < 0 || timeout > kFrameWaitMs)) timeout = static_cast<int>(kFrameWaitMs);
        }
        // A master without an agent on its slave reports POLLHUP: not news.
        for (int i = 1; i < 3; ++i) {
            pollfd one = fds[i];
            one.events = POLLIN;
            if (::poll(&one, 1, 0) == 1 && (one.revents & POLLHUP) && !(one.revents & POLLIN)) fds[i].fd = -1;
        }
        if (timeout < 0 || timeout > 100) timeout = 100;
        ::poll(fds, 3, timeout);
        const long long t = NowMs();
        if (fds[0].revents & (POLLIN | POLLHUP)) {
            char buf[512];
            const ssize_t n = ::read(0, buf, sizeof buf);
            if (n == 0) break;  // the controller went away
            if (n > 0) cmdline.append(buf, static_cast<std::size_t>(n));
            std::size_t nl;
            bool quit = false;
            while ((nl = cmdline.find('\n')) != std::string::npos) {
                const std::string line = cmdline.substr(0, nl);
                cmdline.erase(0, nl + 1);
                if (line == "quit") {
                    quit = true;
                    break;
                }
                std::printf("%s\n", sim.Command(line).c_str());
                std::fflush(stdout);
            }
            if (quit) break;
        }
        sim.Read(sim.ab, t);
        sim.Read(sim.ba, t);
        sim.ab.Cut(t);
        sim.ba.Cut(t);
        sim.Write(sim.ab, t);
        sim.Write(sim.ba, t);
    }
    sim.Close();
    ::unlink((dir + "/a").c_str());
    ::unlink((dir + "/b").c_str());
    return 0;
}
