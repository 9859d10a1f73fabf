// Small texts the process-monitor tools share.
#pragma once

#include <string>

namespace hvtools {

// The name a tool reports under: the base name of argv[0].
std::string ToolName(const char* argv0);

// A stored command (program '|' arguments) as a command line: every '|' a blank.
std::string CommandLineOf(const std::string& command);

// The answer to --help: usage (a format whose "%s" is the tool's name) and
// about on standard output. Gives 0, the exit code.
int PrintToolHelp(const char* argv0, const std::string& usage, const char* about);

// Whether a value can travel as one field of an HV-init record: the request
// is split at blanks and a record at "::", so a value holding white space or
// a control character, "::", or a ':' at either end would move the fields
// after it (a blank in a command could make its text the request's type).
bool IsRecordField(const std::string& value);

}  // namespace hvtools
