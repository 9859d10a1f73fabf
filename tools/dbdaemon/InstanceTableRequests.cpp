#include "InstanceTableRequests.h"

#include "application.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"
#include "resource_type.h"

#include <cstring>
#include <vector>

namespace {

void Answer(const MessagePtr& request, int rc) {
    if (rc == 0) {
        qdbsendret(request, "%s", "");
    } else {
        if (Qdb_errno == 0) hv_err(23, 0, QDB_INT, "request failed");
        qdbsenderr(request);
    }
    qdberrclr();
}

// The payload's fields split at 0x01 (at most `count`; the last keeps the
// rest of the text).
std::vector<char*> Fields(std::string& payload, std::size_t count) {
    std::vector<char*> out;
    char* p = payload.data();
    while (out.size() + 1 < count) {
        char* sep = std::strchr(p, '\x01');
        if (sep == nullptr) break;
        *sep = '\0';
        out.push_back(p);
        p = sep + 1;
    }
    out.push_back(p);
    return out;
}

int Refused(const char* why) { return hv_err(23, 0, QDB_ARGS, "%s", why); }

int Applications(char command, std::string& payload) {
    switch (command) {
    case 'a': return app_create(nullptr, payload.c_str());
    case 'b': return app_sync(nullptr);
    case 'c': return app_remove(nullptr, payload.c_str());
    default: return Refused("application request not served");
    }
}

int Types(char command, std::string& payload) {
    if (command == 'b') return typ_sync(nullptr);
    std::vector<char*> f = Fields(payload, 2);
    if (f.size() != 2) return Refused("resource type request without application and type");
    switch (command) {
    case 'a': return typ_create(nullptr, f[0], f[1]);
    case 'c': return typ_remove(nullptr, f[0], *f[1] ? f[1] : nullptr);
    default: return Refused("resource type request not served");
    }
}

int FieldChange(const MessagePtr& request, std::string& payload, bool* answered) {
    if (payload.empty()) return Refused("empty field change");
    const char which = payload[0];
    if (which == 'C') {
        *answered = true;
        updatestate_common(request, payload.data());
        return 0;
    }
    if (which == 'I' || which == 'f') {
        std::string body = payload.substr(1);
        std::vector<char*> f = Fields(body, 2);
        if (f.size() != 2) return Refused("field change without tag and value");
        return which == 'I' ? ins_setid(nullptr, f[0], f[1]) : ins_setinfo(nullptr, f[0], f[1]);
    }
    if ((which == 's' || which == 'i') && payload.size() >= 2) {
        const int letter = static_cast<unsigned char>(payload[1]);
        std::string body = payload.substr(2);
        if (which == 'i') return ins_setinit(nullptr, body.c_str(), letter);
        std::vector<char*> f = Fields(body, 2);
        return ins_setstate(nullptr, f[0], letter, f.size() == 2 ? f[1] : "");
    }
    return Refused("instance field change not served");
}

int Instances(const MessagePtr& request, char command, std::string& payload, bool* answered) {
    switch (command) {
    case 'a': {
        std::vector<char*> f = Fields(payload, 6);
        if (f.size() != 6 || std::strlen(f[2]) != 1) return Refused("instance create without its six fields");
        return ins_create(nullptr, f[3], f[4], static_cast<unsigned char>(f[2][0]), f[0], f[1], f[5]);
    }
    case 'b': return res_sync(nullptr);
    case 'f': return FieldChange(request, payload, answered);
    default: return Refused("instance request not served");
    }
}

}  // namespace

bool ServeInstanceTableRequest(const MessagePtr& request, char type, char command, std::string payload) {
    if (type != 'C' && type != 'D' && type != 'E') return false;
    bool answered = false;
    int rc = 0;
    if (type == 'C') rc = Applications(command, payload);
    else if (type == 'D') rc = Types(command, payload);
    else rc = Instances(request, command, payload, &answered);
    if (!answered) Answer(request, rc);
    qdberrclr();
    return true;
}

bool ApplyInstanceTableUpdate(char type, char* record, int* result) {
    switch (type) {
    case 'C': *result = application::updateCache(record); return true;
    case 'D': *result = resource_type::updateCache(record); return true;
    case 'E': *result = hvresource::updateCache(record); return true;
    default: return false;
    }
}
