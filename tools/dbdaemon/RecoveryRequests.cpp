#include "RecoveryRequests.h"

#include "ShellWords.h"
#include "qdberr.h"
#include "qdbkivra.h"
#include "qdbmes.h"
#include "qdbpaths.h"

#include <cstring>

bool ServeRecoveryRequest(const MessagePtr& request, char command, const std::string& payload) {
    if (command != '>' && command != '&') return false;
    // The text is "<system>\x01<tag>..." of at most 2,000 characters, with
    // no NUL: anything else is refused before a process is started.
    if (payload.empty() || payload.size() >= kActionTextMax || payload.find('\0') != std::string::npos) {
        hv_err(__FILE__, __LINE__, 23, 0, QDB_ARGS, "recovery request '%c' of %zu bytes refused", command, payload.size());
        qdbsenderr(request);
        qdberrclr();
        return true;
    }
    const std::string line =
        std::string(gps(kPathQdbRecover)) + (command == '>' ? " -T " : " -X ") + cfgstore::ShellSingleQuoted(payload);
    if (remexec(request, line.c_str()) == 0) {
        if (Qdb_errno == 0) hv_err(__FILE__, __LINE__, 23, 0, QDB_ARGS, "recovery worker could not be started");
        qdbsenderr(request);
        qdberrclr();
    }
    return true;
}
