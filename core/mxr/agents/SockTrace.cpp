#include "SockTrace.h"

#include <iostream>

#include "platform/EventLog.h"

namespace {
int traceOn = 0;
}

void SockSetTrace(int on) { traceOn = on != 0 ? 1 : 0; }
int SockGetTrace() { return traceOn; }

// One write per line, so lines never interleave.
void SockTrace(const std::string& line) {
    if (traceOn != 0) std::cout << line + "\n" << std::flush;
}

void SockReport(const std::string& line) { std::cerr << line + "\n" << std::flush; }

void SockEventReport(const std::string& line) {
    SockReport(line);
    portlib::platform::ReportEventLog("sockagent", portlib::platform::EventType::Warning, 0, 0, line);
}
