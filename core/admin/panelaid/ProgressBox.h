// The box shown while hvstart or hvstop runs.
#pragma once

#include <string>

namespace panelaid {

class ProgressBox {
public:
    virtual ~ProgressBox() = default;
    // Shows the box with its caption and text line ("Starting Holdervane",
    // "Attempting to Start Holdervane." ...).
    virtual void Open(bool start) = 0;
    virtual void Close() = 0;
};

}  // namespace panelaid
