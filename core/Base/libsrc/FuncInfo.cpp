#include "FuncInfo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

constinit thread_local int FuncInfo::callListSz __attribute__((tls_model("initial-exec"))) = 0;
constinit std::atomic<int> FuncInfo::traceFlag{0};

int FuncInfo::GetCallListSz() { return callListSz; }
void FuncInfo::SetCallListSz(int size) { callListSz = size; }
int FuncInfo::GetTraceFlag() { return traceFlag.load(std::memory_order_relaxed); }
void FuncInfo::SetTraceFlag(int flag) { traceFlag.store(flag, std::memory_order_relaxed); }

int FuncInfo::DecideTrace() {
    int flag = 0;
    const char* env = std::getenv("MXRFUNCTRACE");
    int decided = (env != nullptr && std::strcmp(env, "YES") == 0) ? 1 : -1;
    // Threads that race here read the same environment; the first decision stands.
    if (traceFlag.compare_exchange_strong(flag, decided, std::memory_order_relaxed)) flag = decided;
    return flag == 1 ? 1 : 0;
}

// indentation of (depth - 1) blanks, then what, Class::func, and (parmCnt - 1)
// commas between the parentheses. Written with one call so that lines of
// different threads do not interleave.
void FuncInfo::PrintLine(const char* what) const {
    std::string line;
    if (depth > 1) line.append(static_cast<size_t>(depth - 1), ' ');
    line += what;
    line += className ? className : "";
    line += "::";
    line += funcName ? funcName : "";
    line += '(';
    if (parmCnt > 1) line.append(static_cast<size_t>(parmCnt - 1), ',');
    line += ")\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
