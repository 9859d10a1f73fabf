#include "HierarchyTableRequests.h"

#include "InstanceInterface.h"
#include "dependency.h"
#include "equivalency.h"
#include "hvresource.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbmes.h"

#include <cstring>
#include <vector>

namespace {

void Answer(const MessagePtr& request, int rc, const char* text = "") {
    if (rc == 0) {
        qdbsendret(request, "%s", text);
    } else {
        if (Qdb_errno == 0) hv_err(23, 0, QDB_INT, "request failed");
        qdbsenderr(request);
    }
    qdberrclr();
}

// The payload split at 0x01 into exactly `count` fields (the last keeps
// the rest); fewer is a refusal.
bool Fields(std::string& payload, std::size_t count, std::vector<char*>* out) {
    char* p = payload.data();
    while (out->size() + 1 < count) {
        char* sep = std::strchr(p, '\x01');
        if (sep == nullptr) return false;
        *sep = '\0';
        out->push_back(p);
        p = sep + 1;
    }
    out->push_back(p);
    return true;
}

int Refused(const char* why) { return hv_err(23, 0, QDB_ARGS, "%s", why); }

const char* OrNull(const char* s) { return *s ? s : nullptr; }

void Dependencies(const MessagePtr& request, char command, std::string& payload) {
    std::vector<char*> f;
    switch (command) {
    case 'a':
        if (!Fields(payload, 2, &f)) return Answer(request, Refused("dependency create without parent and child"));
        return Answer(request, dep_create(nullptr, f[0], f[1]));
    case 'c': {
        if (!Fields(payload, 3, &f) || std::strlen(f[2]) != 1)
            return Answer(request, Refused("dependency remove without its three fields"));
        // Every removed pair fits the reply, which is bounded as well.
        std::vector<char> removed(kQdbMesMax);
        const int rc = dep_remove(nullptr, OrNull(f[0]), OrNull(f[1]), f[2][0] == 'y' ? removed.data() : nullptr);
        return Answer(request, rc, removed.data());
    }
    default: return Answer(request, Refused("dependency request not served"));
    }
}

// "s1\x01t1\x01s2\x01t2\x01<type>" with "\x01y" when the other side sent
// it for its own record.
void Equivalencies(const MessagePtr& request, char command, std::string& payload) {
    if (command == 'b') return Answer(request, eqv_sync(nullptr));
    std::vector<char*> f;
    if ((command != 'a' && command != 'c') || !Fields(payload, 5, &f) || std::strlen(f[4]) < 1)
        return Answer(request, Refused("equivalency request not served"));
    const int type = static_cast<unsigned char>(f[4][0]);
    const bool fromOtherSide = std::strcmp(f[4] + 1, "\x01y") == 0;
    if (f[4][1] != '\0' && !fromOtherSide) return Answer(request, Refused("equivalency request with a bad type"));
    if (command == 'a')
        return Answer(request, equivalency::privcreate(nullptr, f[0], f[1], f[2], f[3], type, fromOtherSide ? 0 : 1));
    return Answer(request, equivalency::priveqv_remove(nullptr, OrNull(f[0]), OrNull(f[1]), type, OrNull(f[2]),
                                                       OrNull(f[3]), fromOtherSide ? 1 : 0));
}

// "app\x01type\x01tag\x01id\x01<answer>\x01<T|F removeinit>\x01<T|F force>\x01top".
void InstanceRemove(const MessagePtr& request, std::string& payload) {
    std::vector<char*> f;
    if (!Fields(payload, 8, &f) || std::strlen(f[4]) != 1 || std::strlen(f[5]) != 1 || std::strlen(f[6]) != 1)
        return Answer(request, Refused("instance remove without its eight fields"));
    char answer[2] = {f[4][0], '\0'};
    return Answer(request, ins_remove(nullptr, OrNull(f[7]), OrNull(f[0]), OrNull(f[1]), OrNull(f[2]), OrNull(f[3]),
                                      answer, f[5][0] == 'T', f[6][0] == 'T'));
}

// The instance requests of the general type, a letter and its text: 'D'
// clears the delete marks, 'g', 'r', 'p' and 'P' are the queries of another
// system.
void GeneralInstance(const MessagePtr& request, std::string& payload) {
    if (payload.empty()) return Answer(request, Refused("empty instance request"));
    char* text = payload.data() + 1;
    switch (payload[0]) {
    case 'D': hvresource::clear_a_mark('D', 0); return Answer(request, 0);
    case 'g': res_getall(request, text); break;
    case 'r': res_getrec(request, text); break;
    case 'p': res_getpar(request, text); break;
    case 'P': res_getallpar(request, text); break;
    default: return Answer(request, Refused("instance request not served"));
    }
    qdberrclr();
}

}  // namespace

bool ServeHierarchyTableRequest(const MessagePtr& request, char type, char command, std::string payload) {
    if (type == 'F') {
        Dependencies(request, command, payload);
        return true;
    }
    if (type == 'E' && command == 'c') {
        InstanceRemove(request, payload);
        return true;
    }
    if (type == '@' && command == 'd') {
        GeneralInstance(request, payload);
        return true;
    }
    if (type == 'G') {
        Equivalencies(request, command, payload);
        return true;
    }
    return false;
}

bool ApplyHierarchyTableUpdate(char type, char* record, int* result) {
    switch (type) {
    case 'F': *result = dependency::updateCache(record); return true;
    case 'G': *result = equivalency::updateCache(record); return true;
    default: return false;
    }
}
