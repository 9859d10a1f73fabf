#include "TTYTrace.h"

#include <atomic>
#include <iostream>

namespace ttyagent {

namespace {
std::atomic<bool> traceOn{false};
}  // namespace

bool TraceOn() { return traceOn.load(std::memory_order_relaxed); }

void SetTrace(bool on) { traceOn.store(on, std::memory_order_relaxed); }

void TraceOut(const std::string& line) {
    if (TraceOn()) std::cout << line + "\n" << std::flush;
}

void TraceErr(const std::string& line) {
    if (TraceOn()) std::cerr << line + "\n" << std::flush;
}

void ReportErr(const std::string& line) { std::cerr << line + "\n" << std::flush; }

}  // namespace ttyagent
