// The daemon's answers: '$' text, or '!' with the error number and text.
#include "qdberr.h"
#include "qdbmes.h"
#include "qdbpaths.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

bool WantsReply(const MessagePtr& request) {
    if (!request.Ok()) return false;
    const bStr mbox = request->GetReplyToMbox();
    return mbox.StrLen() > 0 && mbox != kQdbNoReply;
}

// Sends once, and once more after 4 seconds; a second failure is printed.
int SendReply(const MessagePtr& request, const std::string& data) {
    const bStr sys = request->GetReplyToSys(), mbox = request->GetReplyToMbox();
    const char* local = pQdb_uname ? pQdb_uname : "";
    auto send = [&] {
        return qdbsendmes(0, local, gps(kPathDaemonMailbox), sys.StrVal(), mbox.StrVal(), data.data(),
                          static_cast<int>(data.size()));
    };
    if (send() == 0) return 0;
    qdberrclr();
    ::sleep(4);
    if (send() == 0) return 0;
    qdberrcheck();
    return -1;
}

}  // namespace

int qdbsendret(const MessagePtr& request, const char* format, ...) {
    if (!WantsReply(request)) return 0;
    std::string data = "$";
    if (format != nullptr) {
        va_list args, copy;
        va_start(args, format);
        va_copy(copy, args);
        const int n = std::vsnprintf(nullptr, 0, format, copy);
        va_end(copy);
        if (n > 0) {
            // The text is cut to what a reply may hold.
            const std::size_t room = static_cast<std::size_t>(kQdbMesMax - 1);
            std::string text(static_cast<std::size_t>(n) + 1, '\0');
            std::vsnprintf(text.data(), text.size(), format, args);
            text.resize(std::min(static_cast<std::size_t>(n), room));
            data += text;
        }
        va_end(args);
    }
    hv_debug(__FILE__, __LINE__, "mes.qdbsendret", "send RET message to sys=%s mb=%s",
             request->GetReplyToSys().StrVal(), request->GetReplyToMbox().StrVal());
    return SendReply(request, data);
}

int qdbsenderr(const MessagePtr& request) {
    if (!WantsReply(request)) return 0;
    std::string data = "!";
    data += static_cast<char>(Qdb_errno);
    if (Qdb_errbuf != nullptr) data.append(Qdb_errbuf, std::min<std::size_t>(std::strlen(Qdb_errbuf), kQdbMesMax - 2));
    return SendReply(request, data);
}
