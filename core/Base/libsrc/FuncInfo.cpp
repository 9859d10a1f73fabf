#include "FuncInfo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace {
// Traced frames open on this thread: per thread, so that threads neither
// contend on one counter nor indent each other's lines.
constinit thread_local int callListSz = 0;
constinit std::atomic<int> traceFlag{0};

// A frame that entered the slow way: whether it printed its entry line, and
// with which names and at which depth.
struct SlowFrame {
    const FuncSite* names;
    int depth;
    bool traced;
};
// This thread's frames that entered the slow way, innermost last: the first
// ones in place, deeper ones in a vector that lives only while it holds any.
// Nothing here needs a destructor, so frames that run while the thread's or
// the process's objects are being destroyed still find it intact.
constexpr int kFramesInPlace = 128;
constinit thread_local SlowFrame framesInPlace[kFramesInPlace];
constinit thread_local int slowFrameDepth = 0;
constinit thread_local std::vector<SlowFrame>* framesBeyond = nullptr;

void PushSlowFrame(const SlowFrame& frame) {
    if (slowFrameDepth < kFramesInPlace) {
        framesInPlace[slowFrameDepth] = frame;
    } else {
        if (framesBeyond == nullptr) framesBeyond = new std::vector<SlowFrame>();
        framesBeyond->push_back(frame);
    }
    ++slowFrameDepth;
}

SlowFrame PopSlowFrame() {
    --slowFrameDepth;
    if (slowFrameDepth < kFramesInPlace) return framesInPlace[slowFrameDepth];
    const SlowFrame frame = framesBeyond->back();
    framesBeyond->pop_back();
    if (framesBeyond->empty()) {
        delete framesBeyond;
        framesBeyond = nullptr;
    }
    return frame;
}

// Guards slowFrameCnt and every store to checkFrames, so that the flag never
// drops while a frame that entered the slow way is open. Taken only on the
// slow way.
constinit std::mutex flagLock;
long slowFrameCnt = 0;  // frames open on all threads that entered the slow way

bool NeedsCheck(int flag) { return flag == 0 || flag == 1; }

// indentation of (depth - 1) blanks, then what, Class::func, and (parmCnt - 1)
// commas between the parentheses. Written with one call so that lines of
// different threads do not interleave.
void PrintLine(const char* what, const FuncSite& names, int depth) {
    std::string line;
    if (depth > 1) line.append(static_cast<size_t>(depth - 1), ' ');
    line += what;
    line += names.className ? names.className : "";
    line += "::";
    line += names.funcName ? names.funcName : "";
    line += '(';
    if (names.parmCnt > 1) line.append(static_cast<size_t>(names.parmCnt - 1), ',');
    line += ")\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
    std::fflush(stderr);
}
}  // namespace

constinit std::atomic<bool> FuncInfo::checkFrames{true};

FuncInfo::FuncInfo(const char* className_, const char* funcName_, unsigned short parmCnt_, const char* fileName_,
                   unsigned short lineNo_)
    : site(&own), own{className_, funcName_, fileName_, parmCnt_, lineNo_} {
    if (MayTrace()) Enter(site);
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
    std::lock_guard<std::mutex> guard(flagLock);
    traceFlag.store(flag, std::memory_order_relaxed);
    checkFrames.store(NeedsCheck(flag) || slowFrameCnt > 0, std::memory_order_relaxed);
}

int FuncInfo::IsTraceOn() {
    int flag = traceFlag.load(std::memory_order_relaxed);
    if (flag == 0) {
        const char* env = std::getenv("MXRFUNCTRACE");
        const int decided = (env != nullptr && std::strcmp(env, "YES") == 0) ? 1 : -1;
        std::lock_guard<std::mutex> guard(flagLock);
        // Threads that race here read the same environment; the first decision stands.
        if (traceFlag.compare_exchange_strong(flag, decided, std::memory_order_relaxed)) flag = decided;
        checkFrames.store(NeedsCheck(flag) || slowFrameCnt > 0, std::memory_order_relaxed);
    }
    return flag == 1 ? 1 : 0;
}

void FuncInfo::Enter(const FuncSite* names) {
    SlowFrame frame{names, 0, false};
    if (IsTraceOn()) {
        frame.depth = ++callListSz;
        // A depth set below 1 from outside still leaves the entry line unindented.
        if (frame.depth == 0) frame.depth = -1;
        frame.traced = true;
        PrintLine("Entering: ", *names, frame.depth);
    }
    PushSlowFrame(frame);
    // Set again under the lock: a switch-off on another thread since the
    // test must not let this frame leave the fast way.
    std::lock_guard<std::mutex> guard(flagLock);
    ++slowFrameCnt;
    checkFrames.store(true, std::memory_order_relaxed);
}

void FuncInfo::Leave(const FuncSite* names) {
    // A frame that entered the fast way did so while no frame of this thread
    // was on the stack, and every frame entered since has left: empty.
    if (slowFrameDepth == 0) return;
    const SlowFrame frame = PopSlowFrame();
    if (frame.traced) {
        if (IsTraceOn()) PrintLine("Leaving: ", names != nullptr ? *names : *frame.names, frame.depth);
        --callListSz;
    }
    std::lock_guard<std::mutex> guard(flagLock);
    if (--slowFrameCnt == 0)
        checkFrames.store(NeedsCheck(traceFlag.load(std::memory_order_relaxed)), std::memory_order_relaxed);
}
