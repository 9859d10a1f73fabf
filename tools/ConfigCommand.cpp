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

void PrintConfigList(char** list) {
    if (list == nullptr) return;
    for (char** p = list; *p != nullptr; ++p) {
        std::printf("%s\n", *p);
        qdbfreeit(*p);
    }
    qdbfreeit(list);
}
