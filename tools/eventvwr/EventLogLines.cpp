#include "EventLogLines.h"

#include "platform/SystemDir.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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
    const std::string path = portlib::platform::SystemDir() + "/log/eventlog";
    // Opened without waiting, and read only when it is a regular file: a
    // pipe or a device put in its place would hold the viewer before its
    // window shows, or never end.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return {};
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return {};
    }
    const off_t size = st.st_size;
    const off_t from = size > static_cast<off_t>(kMaxFileBytes) ? size - static_cast<off_t>(kMaxFileBytes) : 0;
    // At most kMaxFileBytes, however much the file grows meanwhile.
    std::string all(static_cast<std::size_t>(size - from), '\0');
    std::size_t got = 0;
    while (got < all.size()) {
        const ssize_t n = ::pread(fd, all.data() + got, all.size() - got, from + static_cast<off_t>(got));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    all.resize(got);
    // A read that starts mid-file drops the partial first line.
    if (from > 0) all.erase(0, all.find('\n') == std::string::npos ? all.size() : all.find('\n') + 1);
    return ParseEventLog(all);
}

}  // namespace eventvwr
