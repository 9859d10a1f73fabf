// Remote execution: rem_exec asks a system's daemon, whose remexec starts
// qdbdorem; qdbdorem answers with the output, the return value and the
// error text between two markers, which qdbgetret splits.
#include "qdberr.h"
#include "qdbexec.h"
#include "qdbmes.h"
#include "qdbpaths.h"

#include "UnixPath.h"

#include <cstdlib>
#include <cstring>
#include <string>

extern "C" int qdbgetret(char* retbuf, char* errbuf, int* retp) {
    if (retbuf == nullptr) return hv_err(23, 390, QDB_ARGS, "retbuf can't be NULL");
    if (retp == nullptr) return hv_err(23, 391, QDB_ARGS, "retp can't be NULL");
    char* first = std::strstr(retbuf, kQdbRetMarker);
    if (first == nullptr) return hv_err(23, 392, QDB_ARGS, "can't find return value retbuf=%s", retbuf);
    *first = '\0';
    char* value = first + sizeof kQdbRetMarker - 1;
    *retp = std::atoi(value);
    char* second = std::strstr(value, kQdbRetMarker);
    hv_debug(__FILE__, __LINE__, "mes.qdbgetret", "ret=%d found=\"%s\" retbuf=\"%s\"", *retp, value, retbuf);
    if (errbuf != nullptr) {
        // The error text lies inside the reply, so it fits a reply-sized buffer.
        const char* err = second ? second + sizeof kQdbRetMarker - 1 : "";
        std::memmove(errbuf, err, std::strlen(err) + 1);
        hv_debug(__FILE__, __LINE__, "mes.qdbgetret", "errbuf=\"%s\"", errbuf);
    }
    return 0;
}

extern "C" int rem_exec(const char* system, const char* command, char* retbuf, char* errbuf) {
    if (retbuf == nullptr) return hv_err(23, 377, QDB_ARGS, "retbuf is NULL");
    if (command == nullptr) return hv_err(23, 377, QDB_ARGS, "rem_exec: no command");
    if (qdbsendremote(retbuf, system, '@', 'a', "%c%s", errbuf ? 'E' : 'O', command) != 0) return -1;
    int ret = 0;
    if (qdbgetret(retbuf, errbuf, &ret) != 0) return -1;
    return ret;
}

int remexec(const MessagePtr& request, const char* command) {
    if (command == nullptr) command = "";
    if (!request.Ok() || request->GetReplyToSys().StrLen() == 0) {
        hv_err(23, 388, QDB_ARGS, "no system specified for remote execution of \"%s\"", command);
        return 0;
    }
    if (request->GetReplyToMbox().StrLen() == 0) {
        hv_err(23, 389, QDB_ARGS, "no mailbox specified for remote execution of \"%s\"", command);
        return 0;
    }
    // Every value is quoted, so the command reaches qdbdorem as one argument
    // and the names of the requester cannot split into more.
    const std::string line = cfgstore::QuoteCommandArg(gps(kPathQdbDoRem)) + "  -d" +
                             cfgstore::QuoteCommandArg(request->GetReplyToSys().StrVal()) + " -b" +
                             cfgstore::QuoteCommandArg(request->GetReplyToMbox().StrVal()) + " -c" +
                             cfgstore::QuoteCommandArg(command);
    const std::string out = gps(kPathRemoteExecuteLog);
    const std::string outDir = out.substr(0, out.rfind('/'));
    if (!outDir.empty()) portlib::mkdirp(outDir.c_str(), 0755);
    const redirection redirs[] = {{HV_REDIR_APPEND, 1, {out.c_str()}}, {HV_REDIR_DUP, 2, {.source = 1}}};
    return hvexec(0, 2, redirs, "%s", line.c_str()) > 0 ? 1 : 0;
}
