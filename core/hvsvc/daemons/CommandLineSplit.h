// The words of a command line by the Win32 rules: blanks and tabs separate
// words, double quotes group them, backslashes escape a quote only when they
// come right before it (2n backslashes and a quote: n backslashes and the
// quote opens or closes; 2n+1: n backslashes and a literal quote).
#pragma once

#include <string>
#include <vector>

namespace hvsvc {

std::vector<std::string> SplitCommandLine(const std::string& line);

}  // namespace hvsvc
