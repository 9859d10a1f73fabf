// hvstubagent: a test communication agent (see StubAgentRcvr.h).
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <getopt.h>
#include <string>
#include <unistd.h>

#include "BaseAddr.h"
#include "FdCallbackPollAdptr.h"
#include "MxrClntWorld.h"
#include "SignalPollAdptr.h"
#include "StubAgentRcvr.h"
#include "WholeNumber.h"

namespace {

const char* const kUsage =
    "usage: hvstubagent [-k TLI|TTY] [-d DEVICE] [-a VALUE] [-x VALUE] [-D MS] [-n]\n"
    "                   [-l] [-c FIFO] [-R] ALIAS\n"
    "\n"
    "A minimal test agent in place of the socket and serial communication\n"
    "agents: it connects to this system's manager (waiting for it as long as\n"
    "it takes, with one line \"waiting for the manager\" when it is not there\n"
    "yet), registers with the path administrator as an agent of kind\n"
    "TLI or TTY under ALIAS and answers its add-host and delete-host requests.\n"
    "\n"
    "Options:\n"
    "  -k KIND    TLI (default) or TTY\n"
    "  -d DEVICE  the device name it registers with (default empty)\n"
    "  -a VALUE   answer add-host with VALUE (default 0)\n"
    "  -x VALUE   answer delete-host with VALUE (default 0)\n"
    "  -D MS      answer MS milliseconds late\n"
    "  -n         never answer add-host or delete-host\n"
    "  -l         link mode: serve each path over TCP to the peer system's stub\n"
    "             agent; the path's device is ADDR:PORT (the peer's address, the\n"
    "             port both sides listen on) or ADDR:PEERPORT:LISTENPORT. A\n"
    "             one-byte beat goes out every hbInterval seconds; the agent\n"
    "             reports the outgoing connection, ALIVE when the peer's beats\n"
    "             are heard and DEAD after hbMaxMiss silent intervals\n"
    "  -c FIFO    read commands, one a line, from the named FIFO:\n"
    "               status REMALIAS DEVICE NONE|INITIALIZING|ALIVE|DEAD\n"
    "               outconn REMALIAS DEVICE NONE|INITIALIZING|ALIVE|DEAD\n"
    "               disconnected REMALIAS DEVICE\n"
    "               register\n"
    "  -R         do not register at start (only on the register command)\n"
    "\n"
    "Every event is one line on standard output. Environment: HV_SYSTEM_DIR,\n"
    "MXRHOSTNAME.\n"
    "\n"
    "Exit status: 0 stopped by SIGTERM or SIGINT; 1 the start failed; 3 the\n"
    "manager went away; 64 bad command line.\n";

int Usage(const std::string& why) {
    std::fprintf(stderr, "hvstubagent: %s\n\n%s", why.c_str(), kUsage);
    return 64;
}

}  // namespace

int main(int argc, char** argv) {
    StubAgentOptions options;
    std::string fifo;
    bool registerAtStart = true;
    static const struct option kLong[] = {{"help", no_argument, nullptr, 'h'}, {nullptr, 0, nullptr, 0}};
    opterr = 0;
    int opt;
    // '+': the options end at the alias.
    while ((opt = ::getopt_long(argc, argv, "+hnlRk:d:c:a:x:D:", kLong, nullptr)) != -1) {
        const std::string val = optarg != nullptr ? optarg : "";
        switch (opt) {
        case 'h': std::fputs(kUsage, stdout); return 0;
        case 'n': options.neverAnswer = true; break;
        case 'l': options.link = true; break;
        case 'R': registerAtStart = false; break;
        case 'k':
            if (val == "TLI")
                options.type = CommAgentEnt::TLI;
            else if (val == "TTY")
                options.type = CommAgentEnt::TTY;
            else
                return Usage("-k wants TLI or TTY, not \"" + val + "\"");
            break;
        case 'd': options.device = val; break;
        case 'c': fifo = val; break;
        case 'a':
        case 'x':
            if (!hvtool::ParseWholeNumber(val, -1000000, 1000000, opt == 'a' ? &options.addValue : &options.deleteValue))
                return Usage(std::string("-") + static_cast<char>(opt) + " wants a whole number, not \"" + val + "\"");
            break;
        case 'D':
            if (!hvtool::ParseWholeNumber(val, 0, 86400000, &options.answerDelayMs))
                return Usage("-D wants milliseconds (0 to 86400000), not \"" + val + "\"");
            break;
        default:
            if (optopt != 0 && std::strchr("kdcaxD", optopt) != nullptr)
                return Usage(std::string("-") + static_cast<char>(optopt) + " wants a value");
            return Usage("unknown option \"" + std::string(argv[optind - 1]) + "\"");
        }
    }
    const int i = optind;
    if (i + 1 != argc) return Usage("one ALIAS expected");
    options.alias = argv[i];
    if (options.alias.empty()) return Usage("the alias must not be empty");

    int err = 0;
    const SignalPollAdptrPtr stopper = SignalPollAdptr::Watch({SIGTERM, SIGINT}, &err);
    if (!stopper.Ok()) {
        std::fprintf(stderr, "hvstubagent: cannot watch SIGTERM and SIGINT: %s\n", std::strerror(err));
        return 1;
    }
    int fifoFd = -1;
    if (!fifo.empty()) {
        // Read and write: the FIFO never reads as ended while nobody writes.
        fifoFd = ::open(fifo.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fifoFd == -1) {
            std::fprintf(stderr, "hvstubagent: cannot open %s: %s\n", fifo.c_str(), std::strerror(errno));
            return 1;
        }
    }

    MxrClntWorld world(nullptr, nullptr);
    // One line when the manager is not there yet: the agent waits for it.
    world.SetRetryNotice([] {
        static bool told = false;
        if (told) return;
        told = true;
        std::printf("hvstubagent: waiting for the manager\n");
        std::fflush(stdout);
    });
    stopper->Register();
    if (world.Initialize() != 0) return 1;
    const StubAgentRcvrPtr agent(new StubAgentRcvr(options));
    std::printf("hvstubagent: %s connected as host %s (pid %ld)\n", options.alias.c_str(),
                BaseAddr::GetCurrentHost().StrVal(), static_cast<long>(::getpid()));
    std::fflush(stdout);
    if (registerAtStart) agent->Register();

    std::string pending;
    FdCallbackPollAdptrPtr commands;
    if (fifoFd != -1) {
        commands = new FdCallbackPollAdptr(fifoFd, POLLIN, [&](short) {
            char buf[512];
            const ssize_t n = ::read(fifoFd, buf, sizeof buf);
            if (n <= 0) return BasePollAdptr::NOWORK;
            pending.append(buf, static_cast<size_t>(n));
            for (size_t nl; (nl = pending.find('\n')) != std::string::npos;) {
                agent->Command(pending.substr(0, nl));
                pending.erase(0, nl + 1);
            }
            // A line without an end is bounded.
            if (pending.size() > 4096) pending.clear();
            return BasePollAdptr::DIDWORK;
        });
        commands->Register();
    }

    int rc = 0;
    while (world.GetRunFlag() != 0) {
        world.Run();
        if (world.GetMxrPipeHeadPtr()->GetPollAdptrPtr().GetPtr() == nullptr) {
            std::printf("hvstubagent: the manager went away\n");
            std::fflush(stdout);
            rc = 3;
            break;
        }
    }
    if (commands.GetPtr() != nullptr) commands->DeRegister();
    stopper->DeRegister();
    world.CleanUp();
    if (fifoFd != -1) ::close(fifoFd);
    return rc;
}
