// The socket agent's diagnostics: reports always go to the error stream;
// trace lines go to standard output and only while tracing is on (-t).
#pragma once

#include <string>

void SockSetTrace(int on);
int SockGetTrace();
void SockTrace(const std::string& line);
void SockReport(const std::string& line);
// A report that an administrator must find: the error stream and the
// event log (refused connections and peers).
void SockEventReport(const std::string& line);
