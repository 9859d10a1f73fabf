// The first pane of a console's status bar, where the status-bar stack and
// the script runner's progress texts go.
#pragma once

#include <string>

namespace panelaid {

class StatusDisplay {
public:
    virtual ~StatusDisplay() = default;
    // Shows the text; callable from any thread (a worker's text reaches the
    // bar's own thread).
    virtual void ShowText(const std::string& text) = 0;
};

}  // namespace panelaid
