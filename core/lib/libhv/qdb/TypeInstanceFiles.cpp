#include "TypeInstanceFiles.h"

#include "AutoQdbLock.h"
#include "DbIter.h"
#include "DbMgr.h"
#include "SubsysNames.h"
#include "TableRecord.h"
#include "qdberr.h"
#include "qdbfile.h"
#include "qdbpaths.h"
#include "resource_type.h"

#include <cstdio>
#include <string>
#include <vector>

namespace cfgstore {

int ForEachInstancesFile(bool unreadableFails, const std::function<int(const char*, const char*, char*)>& load) {
    struct Type {
        std::string app, typ;
    };
    std::vector<Type> types;
    {
        AUTO_QDB_LOCK(lk);
        DbMgr* db = lk.getDbMgr(nullptr, -1, 1000, 0);
        if (db == nullptr) return -1;
        DbIter it;
        it.iterInit(RESTYPE, db);
        for (auto* t = static_cast<resource_type*>(it.current()); t != nullptr; t = static_cast<resource_type*>(it.next()))
            types.push_back({t->app(), t->typ()});
    }
    int rc = 0;
    std::vector<char> buf(kQdbReadMax);
    for (const Type& t : types) {
        if (TypeDir(t.app.c_str(), t.typ.c_str()).empty()) continue;
        char path[1200];
        std::snprintf(path, sizeof path, gps(kPathInstancesTable), t.app.c_str(), t.typ.c_str());
        const int n = qdbreadfile(path, buf.data());
        if (n < 0) {
            if (unreadableFails) rc = -1;
            else qdberrclr();
            continue;
        }
        LoadTableLines(path, buf.data(), static_cast<std::size_t>(n),
                       [&](char* line) { return load(t.app.c_str(), t.typ.c_str(), line); });
    }
    return rc;
}

}  // namespace cfgstore
