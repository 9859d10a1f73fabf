// hvsvcctl: controls the cluster service hvsvc where NT's service control
// manager did.
#include "ServiceCodes.h"
#include "ServiceControlClient.h"

#include "platform/Win32Error.h"

#include <climits>
#include <cstdio>
#include <cstring>
#include <getopt.h>
#include <string>
#include <unistd.h>

namespace {

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNotRunning = 3;

constexpr const char* kUsage =
    "usage: hvsvcctl start|stop|pause|continue|status|shutdown\n"
    "  start     start hvsvc (beside this program) unless it runs; wait until RUNNING\n"
    "  stop      stop the service and wait for its end\n"
    "  pause     hold the service's workers     continue  let them go on\n"
    "  status    print the service's state (exit 3 when it does not run)\n"
    "  shutdown  what the service does when the system shuts down\n"
    "Exit status: 0 done; 1 the service did not answer, start or end; 2 bad command\n"
    "line; 3 the service is not running.\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return kExitUsage;
}

// The verb, after the options: -h or --help prints the usage and gives 0;
// any other option, no verb or more than one is a usage error.
bool ParseCommandLine(int argc, char** argv, std::string* verb, int* exitCode) {
    static const option kLong[] = {{"help", no_argument, nullptr, 'h'}, {nullptr, 0, nullptr, 0}};
    opterr = 0;
    for (int c; (c = ::getopt_long(argc, argv, "+h", kLong, nullptr)) != -1;) {
        if (c == 'h') {
            std::fputs(kUsage, stdout);
            *exitCode = 0;
        } else {
            *exitCode = Usage();
        }
        return false;
    }
    if (argc - optind != 1) {
        *exitCode = Usage();
        return false;
    }
    *verb = argv[optind];
    return true;
}

std::string SiblingProgram(const char* name) {
    char self[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return name;
    std::string path(self, static_cast<std::size_t>(n));
    return path.substr(0, path.rfind('/') + 1) + name;
}

int Report(int rc, std::uint32_t state) {
    if (rc == portlib::platform::HV_ERROR_FILE_NOT_FOUND) {
        std::printf("STOPPED\n");
        std::fprintf(stderr, "hvsvcctl: the service is not running\n");
        return kExitNotRunning;
    }
    if (rc != 0) {
        std::fprintf(stderr, "hvsvcctl: no answer from the service (error %d)\n", rc);
        return kExitFailed;
    }
    std::printf("%s\n", hvsvc::StateName(state));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string verb;
    int exitCode = 0;
    if (!ParseCommandLine(argc, argv, &verb, &exitCode)) return exitCode;
    std::uint32_t state = 0;
    if (verb == "start") {
        const int rc = hvsvc::ServiceControlClient::Start(SiblingProgram("hvsvc"), 30000, &state);
        if (rc != 0) {
            std::fprintf(stderr, "hvsvcctl: the service did not start (last state %s)\n", hvsvc::StateName(state));
            return kExitFailed;
        }
        std::printf("%s\n", hvsvc::StateName(state));
        return 0;
    }
    std::uint32_t control = 0;
    for (std::uint32_t c = hvsvc::kControlStop; c <= hvsvc::kControlShutdown; ++c)
        if (verb == hvsvc::ControlName(c)) control = c;
    if (control == 0) return Usage();
    pid_t pid = 0;
    // The shutdown routine may take its 3 s flag question and 5 s wait.
    const int replyMs = control == hvsvc::kControlShutdown ? 30000 : 10000;
    const int rc = hvsvc::ServiceControlClient::Send(control, &state, &pid, replyMs);
    if (rc == 0 && control == hvsvc::kControlStop && pid > 0) {
        if (hvsvc::ServiceControlClient::WaitForExit(pid, 60000) != 0) {
            std::fprintf(stderr, "hvsvcctl: the service did not end\n");
            return kExitFailed;
        }
        state = hvsvc::kStateStopped;
    }
    return Report(rc, state);
}
