// MessageBoxes as Qt message boxes, modal to the active window, always on the
// GUI thread: a worker's request waits for the GUI thread's answer.
#pragma once

#include "MessageBoxes.h"

namespace panelaid {

class QtMessageBoxes : public MessageBoxes {
public:
    BoxAnswer Ask(const BoxRequest& request) override;
};

}  // namespace panelaid
