#include "FuncInfo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {
// Traced frames open on this thread: per thread, so that threads neither
// contend on one counter nor indent each other's lines.
constinit thread_local int callListSz = 0;
constinit std::atomic<int> traceFlag{0};

bool NeedsCheck(int flag) { return flag == 0 || flag == 1; }
}  // namespace

constinit std::atomic<bool> FuncInfo::checkFrames{true};

FuncInfo::FuncInfo(const char* className_, const char* funcName_, unsigned short parmCnt_, const char* fileName_,
                   unsigned short lineNo_)
    : site(&own), depth(0), own{className_, funcName_, fileName_, parmCnt_, lineNo_} {
    if (checkFrames.load(std::memory_order_relaxed)) Open();
}

FuncSite& FuncInfo::Own() {
    if (site != &own) {
        own = *site;
        site = &own;
    }
    return own;
}

int FuncInfo::GetCallListSz() { return callListSz; }
void FuncInfo::SetCallListSz(int size) { callListSz = size; }
int FuncInfo::GetTraceFlag() { return traceFlag.load(std::memory_order_relaxed); }

void FuncInfo::SetTraceFlag(int flag) {
    traceFlag.store(flag, std::memory_order_relaxed);
    checkFrames.store(NeedsCheck(flag), std::memory_order_relaxed);
}

int FuncInfo::IsTraceOn() {
    int flag = traceFlag.load(std::memory_order_relaxed);
    if (flag == 0) {
        const char* env = std::getenv("MXRFUNCTRACE");
        const int decided = (env != nullptr && std::strcmp(env, "YES") == 0) ? 1 : -1;
        // Threads that race here read the same environment; the first decision stands.
        if (traceFlag.compare_exchange_strong(flag, decided, std::memory_order_relaxed)) flag = decided;
        checkFrames.store(NeedsCheck(flag), std::memory_order_relaxed);
    }
    return flag == 1 ? 1 : 0;
}

void FuncInfo::Open() {
    if (!IsTraceOn()) return;
    depth = ++callListSz;
    // A depth set below 1 from outside still marks this frame as traced.
    if (depth == 0) depth = -1;
    PrintLine("Entering: ");
}

void FuncInfo::Close() {
    if (IsTraceOn()) PrintLine("Leaving: ");
    --callListSz;
}

// indentation of (depth - 1) blanks, then what, Class::func, and (parmCnt - 1)
// commas between the parentheses. Written with one call so that lines of
// different threads do not interleave.
void FuncInfo::PrintLine(const char* what) const {
    std::string line;
    if (depth > 1) line.append(static_cast<size_t>(depth - 1), ' ');
    line += what;
    line += site->className ? site->className : "";
    line += "::";
    line += site->funcName ? site->funcName : "";
    line += '(';
    if (site->parmCnt > 1) line.append(static_cast<size_t>(site->parmCnt - 1), ',');
    line += ")\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
