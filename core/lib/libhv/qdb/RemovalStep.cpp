#include "RemovalStep.h"

#include "qdberr.h"

namespace cfgstore {

int RemovalStep(const std::function<int()>& step) {
    const int savedNo = Qdb_errno;
    char* savedText = Qdb_errbuf;
    Qdb_errbuf = nullptr;
    Qdb_errno = 0;
    const int rc = step();
    const bool failed = rc != 0 && Qdb_errno != QDB_NOEXIST;
    if (failed && savedNo == 0 && savedText == nullptr) return -1;
    qdberrclr();
    Qdb_errno = savedNo;
    Qdb_errbuf = savedText;
    return failed ? -1 : 0;
}

}  // namespace cfgstore
