// Starting what a console does not wait for: programs started detached, a
// sibling console brought forward (or started), and help.
#pragma once

#include <string>
#include <vector>

namespace panelaid {

class Launcher {
public:
    virtual ~Launcher() = default;
    // Starts argv[0] detached (new session, /dev/null on 0-2). 0, or the errno.
    virtual int StartDetached(const std::vector<std::string>& argv) = 0;
    // Brings the console `program` ("HIERMAN", "HWMAN", "APPSTAT") of this
    // display forward, or starts <root>/bin/<binary> detached when none runs.
    // 0, or the errno of the start.
    virtual int ShowSibling(const std::string& program, const std::string& binary) = 0;
    // Opens the help file <root>/help/<file> (an absolute path as it is) at
    // a context; context 0 opens its contents. 0 or nonzero.
    virtual int ShowHelp(const std::string& file, int context) = 0;
};

}  // namespace panelaid
