#include "NetworkRequests.h"

#include "WholeNumber.h"
#include "network.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// The fields of a record, split at \x01.
std::vector<std::string> Fields(const std::string& text) {
    std::vector<std::string> out(1);
    for (char c : text) {
        if (c == '\x01')
            out.emplace_back();
        else
            out.back() += c;
    }
    return out;
}

// A decimal number that is wholly one.
bool Number(const std::string& text, int* value) {
    return hvtool::ParseWholeNumber<int>(text, -2147483647, 2147483647, value);
}

void Answer(const MessagePtr& request, int rc) {
    if (rc == -1) {
        if (Qdb_errno == 0) hv_err(23, 0, QDB_ARGS, "path request failed");
        qdbsenderr(request);
        qdberrclr();
        return;
    }
    qdbsendret(request, "%d", rc);
}

}  // namespace

void ServeNetworkRequest(const MessagePtr& request, char command, const std::string& payload) {
    const std::vector<std::string> f = Fields(payload);
    switch (command) {
    case 'a': {
        int baud = 0, prio = 0, hbI = 0, hbM = 0;
        if (f.size() != 7 || f[2].size() != 1 || !Number(f[3], &baud) || !Number(f[4], &prio) ||
            !Number(f[5], &hbI) || !Number(f[6], &hbM)) {
            hv_err(23, 0, QDB_ARGS, "malformed path create request");
            Answer(request, -1);
            return;
        }
        Answer(request, net_create(nullptr, f[0].c_str(), f[1].empty() ? nullptr : f[1].c_str(),
                                   static_cast<unsigned char>(f[2][0]), baud, prio, hbI, hbM));
        return;
    }
    case 'b': Answer(request, net_sync(nullptr) == 0 ? 0 : -1); return;
    case 'c':
        if (f.size() != 2) {
            hv_err(23, 0, QDB_ARGS, "malformed path remove request");
            Answer(request, -1);
            return;
        }
        Answer(request, net_remove(nullptr, f[0].empty() ? nullptr : f[0].c_str(), f[1].empty() ? nullptr : f[1].c_str()));
        return;
    default:
        hv_err(23, 0, QDB_ARGS, "path request '%c' not served by this daemon", command);
        Answer(request, -1);
    }
}
