#include "ConfigRequestServer.h"
#include "HierarchyTableRequests.h"

#include "InstanceTableRequests.h"
#include "NetworkRequests.h"
#include "RecoveryRequests.h"
#include "WholeNumber.h"
#include "flg.h"
#include "network.h"
#include "qdberr.h"
#include "systems.h"
#include "qdbmes.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A decimal process id, wholly a number and positive.
bool ParsePid(const std::string& text, long* pid) { return hvtool::ParseWholeNumber<long>(text, 1, 0x3FFFFFFF, pid); }

}  // namespace

void ConfigRequestServer::Refuse(const MessagePtr& request, const char* why, char type, char command) {
    hv_err(23, 0, QDB_ARGS, "%s (request '%c' '%c')", why, type, command);
    qdbsenderr(request);
    qdberrclr();
}

void ConfigRequestServer::Log(const char* d, int len) {
    // One line per request: the letters and the start of the payload, with
    // \x01 shown as "|" and other unprintable bytes as ".".
    std::string shown;
    for (int i = 0; i < len && i < 120; ++i) {
        const unsigned char c = static_cast<unsigned char>(d[i]);
        shown += c == 1 ? '|' : (c >= 32 && c < 127 ? static_cast<char>(c) : '.');
    }
    std::printf("qdb: request %s\n", shown.c_str());
    std::fflush(stdout);
}

ConfigRequestServer::Outcome ConfigRequestServer::Serve(const MessagePtr& request) {
    const bStr data = request->GetDataStr();
    const int len = data.StrLen();
    const char* d = data.StrVal();
    Log(d, len);
    if (len < 2) {
        Refuse(request, "request too short", len > 0 ? d[0] : ' ', ' ');
        return Served;
    }
    const char type = d[0], command = d[1];
    if (command == 'j') {
        // A cache update: applied to the named copy, never answered.
        std::string record(d + 2, static_cast<std::size_t>(len - 2));
        int rc = 0;
        if (type == 'A') rc = systems::updateCache(record.data());
        else if (type == 'H') rc = flg::updateCache(record.data());
        else if (type == 'B') rc = network::updateCache(record.data());
        else if (!ApplyHierarchyTableUpdate(type, record.data(), &rc)) ApplyInstanceTableUpdate(type, record.data(), &rc);
        std::printf("qdb: cache update '%c' result %d\n", type, rc);
        std::fflush(stdout);
        return Served;
    }
    if (type == 'B') {
        ServeNetworkRequest(request, command, std::string(d + 2, static_cast<std::size_t>(len - 2)));
        return Served;
    }
    if (ServeHierarchyTableRequest(request, type, command, std::string(d + 2, static_cast<std::size_t>(len - 2))))
        return Served;
    if (ServeInstanceTableRequest(request, type, command, std::string(d + 2, static_cast<std::size_t>(len - 2))))
        return Served;
    if (type != '@') {
        Refuse(request, "no table requests are served yet", type, command);
        return Served;
    }
    const std::string payload(d + 2, static_cast<std::size_t>(len - 2));
    if (ServeRecoveryRequest(request, command, payload)) return Served;
    switch (command) {
    case 'a':
        // The letter before the command ('E' or 'O') is not needed: qdbdorem
        // always returns the error output separately.
        if (payload.empty() || remexec(request, payload.c_str() + 1) == 0) {
            if (Qdb_errno == 0) hv_err(23, 0, QDB_ARGS, "remote execution could not be started");
            qdbsenderr(request);
            qdberrclr();
        }
        return Served;
    case 'b':
        if (qdbsync(nullptr) == 0) {
            qdbsendret(request, "%s", "");
        } else {
            qdbsenderr(request);
            qdberrclr();
        }
        return Served;
    case 'f':
        if (rcopy_file(request, d + 2, len - 2) != 0) {
            qdbsenderr(request);
            qdberrclr();
        }
        return Served;
    case 'h': {
        long pid = 0;
        if (!ParsePid(payload, &pid)) {
            Refuse(request, "bad process id", type, command);
            return Served;
        }
        const bool alive = ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
        qdbsendret(request, "%d", alive ? 1 : 0);
        return Served;
    }
    case 'i':
        qdbsendret(request, "%s", "");
        return Stop;
    default:
        Refuse(request, "request not served by this daemon", type, command);
        return Served;
    }
}
