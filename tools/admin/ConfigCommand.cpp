#include "ConfigCommand.h"

#include "qdberr.h"
#include "qdbfile.h"

#include <cstdio>

int ConfigResult(const char* what, int rc) {
    if (rc == 0) {
        qdberrclr();
        return kConfigDone;
    }
    const char* text = *getpQdb_errbuf();
    std::fprintf(stderr, "hvconfig: %s: %s (error %d)\n", what, text != nullptr && *text != '\0' ? text : "refused",
                 *getpQdb_errno());
    qdberrclr();
    return kConfigRefused;
}

bool ConfigErrorPending() { return *getpQdb_errno() != 0; }

int ConfigChanged(const ConfigArgs& a, const char* what, int rc, int (*sync)(const char*)) {
    if (rc != 0) return ConfigResult(what, rc);
    return ConfigResult("writing the table file", sync(a.SystemOrNull()));
}

int ConfigList(const char* what, char** list) {
    // An empty table is an empty list, whether or not the call called it an
    // error ("not found").
    if (list == nullptr && *getpQdb_errno() == QDB_NOEXIST) qdberrclr();
    if (list != nullptr) {
        for (char** p = list; *p != nullptr; ++p) {
            std::printf("%s\n", *p);
            qdbfreeit(*p);
        }
        qdbfreeit(list);
    }
    return ConfigResult(what, ConfigErrorPending() ? -1 : 0);
}
