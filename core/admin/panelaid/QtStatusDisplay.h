// StatusDisplay on a Qt status bar: the text goes to the bar on the bar's own
// thread; from another thread it is queued there, never waited for. The text
// the bar shows already is not set again.
#pragma once

#include "StatusDisplay.h"

#include <QPointer>
#include <QStatusBar>

namespace panelaid {

class QtStatusDisplay : public StatusDisplay {
public:
    explicit QtStatusDisplay(QStatusBar* bar) : bar_(bar) {}
    void ShowText(const std::string& text) override;

private:
    QPointer<QStatusBar> bar_;
};

}  // namespace panelaid
