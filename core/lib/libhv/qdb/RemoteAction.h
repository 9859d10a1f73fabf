// One action request to another system's daemon ('@' with '&' remote
// remove or '>' transfer, text "<local system>\x01<tag>"), answered in the
// form qdbgetret splits: the output, the marker, the remote result.
#pragma once

#include <string>

namespace cfgstore {

struct RemoteActionAnswer {
    int sendRc = 0;     // qdbsendremote's result (the error record says why)
    bool parsed = false;  // the answer held a result
    int result = 0;     // the remote result
    std::string text;   // the output before the marker
};

// Sends the request; a tag or system name that would not fit the 2,000
// characters of the request text is refused (-1, code 5) without sending.
RemoteActionAnswer SendRemoteAction(const char* system, char command, const char* tag);

}  // namespace cfgstore
