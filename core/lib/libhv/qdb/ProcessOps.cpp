// The option letters that programs built on the library hand over: debug
// switches, and the roots of the alarm and remote set-ups.
#include "qdbkivra.h"

#include "qdberr.h"
#include "qdbpaths.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

extern "C" {

const char* pPops = "GZQD:";

void qdbprocessops(int letter) {
    const char* arg = ::optarg ? ::optarg : "";
    switch (letter) {
    case '?':
        qdbusage(nullptr);
    case 'D':
        for (const char* p = arg; *p; ++p) {
            switch (*p) {
            case 'T': pQdb_ttydebug = 1; break;
            case 'L': pQdb_lockdebug = 1; break;
            case 'S': pQdb_syncdebug = 1; break;
            case 'M': pQdb_printdebug = 1; break;
            default: qdbusage("only known options for -D flag are T, L, S, and M");
            }
        }
        break;
    case 'Q':
        // The platform gives no password record, so there is no home
        // directory to root the alarm set-up in: the root stays.
        hv_err(__FILE__, __LINE__, 3, 0, "-Q: no home directory is known for this user; the root directory stays \"%s\"\n",
               pQdb_rootdir ? pQdb_rootdir : gps(kPathRoot));
        break;
    case 'Z': {
        const char* base = std::getenv("QDB-ROOT");
        std::string root = base ? std::string(base).substr(0, 128) : std::string();
        root += "/remote/alarm";
        pQdb_rootdir = ::strdup(root.c_str());
        pQdb_uname = ::strdup("remote");
        break;
    }
    default: break;
    }
}

}  // extern "C"
