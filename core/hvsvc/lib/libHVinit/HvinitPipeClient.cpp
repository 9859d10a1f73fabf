// The client of HV-init's command pipe: one connection per request, one text
// request, one text reply, read in byte mode.
#include "HvinitReport.h"
#include "libHVinit.h"
#include "platform/NamedPipe.h"
#include "platform/TestTimeScale.h"

#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <span>
#include <thread>
#include <vector>

namespace pp = portlib::platform;

namespace {

constexpr int kFailedReply = -3;

// Waits until fd has input or hangs up; false after waitMs.
bool WaitReadable(int fd, int waitMs) {
    if (pp::PipeBufferedBytes(fd) > 0) return true;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return false;
        struct pollfd p {fd, POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(left));
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return true;  // the read reports what is wrong
    }
}

// Appends "<text> " to request; false when it does not fit with its NUL.
bool AppendWord(std::vector<char>& request, const char* text) {
    const std::size_t n = std::strlen(text);
    if (request.size() + n + 1 + 1 > hvinit::kRequestBytes) return false;
    request.insert(request.end(), text, text + n);
    request.push_back(' ');
    return true;
}

}  // namespace

namespace hvinit {

int Exchange(char* reply, std::size_t replySize, const char* request, int waitMs) {
    if (reply == nullptr || replySize < 2 || request == nullptr) return kFailedReply;
    reply[0] = '\0';
    pp::PipeConnectOptions options;
    options.timeoutMs = pp::kPipeNoWait;  // a busy pipe fails the try
    options.readMode = pp::PipeReadMode::Byte;
    int fd = -1;
    if (pp::PipeConnect(kPipeName, options, &fd) != 0) return -1;

    int result = kFailedReply;
    std::size_t written = 0;
    int err = pp::PipeWrite(fd, request, std::strlen(request) + 1, &written);
    if (err != 0) {
        HVI_REPORT(4, 19600, "Write to hvinit: send failed 0x%x \n", static_cast<unsigned>(err));
    } else if (!WaitReadable(fd, static_cast<int>(pp::ScaledMs(static_cast<unsigned>(waitMs))))) {
        HVI_REPORT(4, 19603, "Read from hvinit: recv failed 0x%x.\n",
                   static_cast<unsigned>(pp::HV_ERROR_SEM_TIMEOUT));
    } else {
        std::size_t got = 0;
        err = pp::PipeRead(fd, reply, replySize - 1, &got);
        if (err == pp::HV_ERROR_MORE_DATA) err = 0;  // the reply is cut to what the caller accepts
        if (err != 0 && err != pp::HV_ERROR_BROKEN_PIPE) {
            HVI_REPORT(4, 19603, "Read from hvinit: recv failed 0x%x.\n", static_cast<unsigned>(err));
        } else if (got == 0) {
            HVI_REPORT(4, 19603, "hvinit server returned 0 (zero) bytes.");
        } else {
            reply[got] = '\0';
            result = static_cast<int>(got);
        }
    }
    pp::PipeClose(fd);
    return result;
}

int Request(char* reply, std::size_t replySize, int command, std::initializer_list<const char*> args) {
    return Request(reply, replySize, command, std::span<const char* const>(args.begin(), args.size()));
}

int Request(char* reply, std::size_t replySize, int command, std::span<const char* const> args) {
    if (reply == nullptr || replySize < 2) return -2;
    std::vector<char> request;
    request.reserve(kRequestBytes);
    char number[16];
    std::snprintf(number, sizeof number, "%d", command);
    bool fits = AppendWord(request, number);
    for (const char* arg : args) {
        if (!fits) break;
        fits = AppendWord(request, arg != nullptr ? arg : "");
    }
    if (!fits) {
        HVI_REPORT(3, 19605, "Request to hvinit does not fit in %d bytes; not sent.\n",
                   static_cast<int>(kRequestBytes));
        return -2;
    }
    request.push_back('\0');

    for (int attempt = 0; attempt < kRequestTries; ++attempt) {
        const int n = Exchange(reply, replySize, request.data());
        if (n >= 0 && std::atoi(reply) != kFailedReply) return 0;
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    HVI_REPORT(3, 19604, "Communication to Holdervane Server failed.\n");
    return -2;
}

}  // namespace hvinit

int hvi_exchange(char* reply, const char* request) {
    if (reply == nullptr) return -3;
    return hvinit::Exchange(reply, std::strlen(reply) + 1, request);
}

int hvi_request(char* reply, int command, ...) {
    if (reply == nullptr) return -2;
    // The accepted length is the pre-filled text's, once for every try.
    const std::size_t replySize = std::strlen(reply) + 1;
    va_list ap;
    va_start(ap, command);
    std::vector<const char*> args;
    // The list ends with a null. Past the most words a request can hold the
    // rest is not read: such a request cannot fit and is refused.
    bool ended = false;
    while (args.size() < hvinit::kRequestBytes / 2) {
        const char* arg = va_arg(ap, const char*);
        if (arg == nullptr) {
            ended = true;
            break;
        }
        args.push_back(arg);
    }
    va_end(ap);
    if (!ended) {
        HVI_REPORT(3, 19605, "Request to hvinit does not fit in %d bytes; not sent.\n",
                   static_cast<int>(hvinit::kRequestBytes));
        return -2;
    }
    return hvinit::Request(reply, replySize, command, std::span<const char* const>(args));
}

int checkserverready() {
    char reply[] = "checkserverready";
    if (hvinit::Request(reply, sizeof reply, hvinit::kCmdSvrReady, {}) != 0) return -1;
    const int value = std::atoi(reply);
    return value == 1 ? 0 : value;
}
