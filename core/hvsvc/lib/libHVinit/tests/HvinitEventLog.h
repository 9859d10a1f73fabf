// What libHVinit reported to the event log of the test's system directory.
#pragma once

#include "ChildReport.h"
#include "platform/SystemDir.h"

#include <string>

namespace hvtest {

// The event log lines whose text carries message number `id`.
inline std::vector<cfgtest::EventLine> Reports(int id) {
    const std::string path = portlib::platform::SystemPath(portlib::platform::SysArea::Log) + "/eventlog";
    const std::string tag = "(No. " + std::to_string(id) + ")";
    std::vector<cfgtest::EventLine> found;
    for (const cfgtest::EventLine& e : cfgtest::ParseEventLog(cfgtest::ReadFile(path)))
        if (e.text.find(tag) != std::string::npos) found.push_back(e);
    return found;
}

}  // namespace hvtest
