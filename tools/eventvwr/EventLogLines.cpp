#include "EventLogLines.h"

#include "platform/SystemDir.h"

#include <fstream>
#include <sstream>

namespace eventvwr {

std::vector<EventRow> ParseEventLog(const std::string& text, std::size_t maxRows) {
    std::vector<EventRow> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        std::vector<std::string> f;
        std::size_t at = 0;
        for (;;) {
            // The sixth field, the text, is the rest of the line.
            const std::size_t tab = f.size() == 5 ? std::string::npos : line.find('\t', at);
            f.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
            if (tab == std::string::npos) break;
            at = tab + 1;
        }
        if (f.size() != 6 || f[0].empty()) continue;
        rows.push_back({f[0], f[1], f[2], f[3], f[4], f[5]});
    }
    if (rows.size() > maxRows) rows.erase(rows.begin(), rows.end() - static_cast<std::ptrdiff_t>(maxRows));
    return rows;
}

std::vector<EventRow> ReadEventLog() {
    std::ifstream in(portlib::platform::SystemDir() + "/log/eventlog", std::ios::binary);
    if (!in) return {};
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    const std::streamoff from = size > static_cast<std::streamoff>(kMaxFileBytes) ? size - kMaxFileBytes : 0;
    in.seekg(from);
    std::ostringstream text;
    text << in.rdbuf();
    std::string all = text.str();
    // A read that starts mid-file drops the partial first line.
    if (from > 0) all.erase(0, all.find('\n') == std::string::npos ? all.size() : all.find('\n') + 1);
    return ParseEventLog(all);
}

}  // namespace eventvwr
