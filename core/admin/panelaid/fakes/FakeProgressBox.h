// A progress box that records how it was opened and closed.
#pragma once

#include "ProgressBox.h"

#include <vector>

namespace panelaid {

class FakeProgressBox : public ProgressBox {
public:
    void Open(bool start) override { events.push_back(start ? "open start" : "open stop"); }
    void Close() override { events.push_back("close"); }
    std::vector<std::string> events;
};

}  // namespace panelaid
