#include "HvinitTunables.h"

#include "qdberr.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace hvsvc {

void HvinitTunables::Load(const std::string& path, hvinit::HvinitHeader* h) {
    h->pollTime = kDefault;
    h->restartCount = kDefault;
    h->restartInterval = kDefault;
    FILE* f = std::fopen(path.c_str(), "re");
    if (f == nullptr) {
        pxm_err(6, 19002, __FILE__, __LINE__, 0, 0,
                "Default values for POLLTIME, RESTARTCNT, RESTARTTMI are set to 5 seconds, 5 times, and 5 seconds "
                "respectively.\n");
    } else {
        char line[2048];
        while (std::fgets(line, sizeof line, f) != nullptr) {
            if (char* hash = std::strchr(line, '#')) *hash = '\0';
            if (std::strchr("\t\n /", line[0]) != nullptr) continue;  // also the empty line
            char* save = nullptr;
            const char* name = strtok_r(line, "= \t\n", &save);
            // The sign may stand alone between blanks: it is skipped too.
            const char* value = strtok_r(nullptr, "= \t\n", &save);
            if (name == nullptr) continue;
            int v = 0;
            if (value != nullptr && std::sscanf(value, "%d", &v) != 1) v = 0;
            if (std::strcmp(name, "POLLTIME") == 0) h->pollTime = v;
            else if (std::strcmp(name, "RESTARTCNT") == 0) h->restartCount = v;
            else if (std::strcmp(name, "RESTARTTMI") == 0) h->restartInterval = v;
            else
                pxm_err(3, 19003, __FILE__, __LINE__, 0, 0, "\"%s\" in file \"%s\" is not a known tunable name.\n",
                        name, path.c_str());
        }
        std::fclose(f);
    }
    if (h->pollTime < 1) h->pollTime = kDefault;
    if (h->restartCount < 0) h->restartCount = -1;
    else if (h->restartCount == 0) h->restartCount = kDefault;
    if (h->restartInterval < 1) h->restartInterval = kDefault;
    const long long window = static_cast<long long>(h->restartInterval) * h->restartCount;
    h->restartWindow = h->restartCount < 0 ? 0 : window > INT_MAX ? INT_MAX : static_cast<int>(window);
}

}  // namespace hvsvc
