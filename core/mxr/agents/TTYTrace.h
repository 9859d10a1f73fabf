// The serial agent's diagnostics: trace lines only while the trace switch
// (-t) is on, other lines always. Each line is written with one call, so
// lines never interleave.
#pragma once

#include <string>

namespace ttyagent {

bool TraceOn();
void SetTrace(bool on);
// A trace line to standard output or to the error stream (when on).
void TraceOut(const std::string& line);
void TraceErr(const std::string& line);
// A line to the error stream, always.
void ReportErr(const std::string& line);

}  // namespace ttyagent
