#include "ConsoleDatabase.h"

namespace panelaid {

std::vector<std::string> SplitRecord(const std::string& record, char separator) {
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = record.find(separator, start);
        // A record may also end its last field with a newline.
        if (end == std::string::npos) {
            std::string last = record.substr(start);
            if (!last.empty() && last.back() == '\n') last.pop_back();
            fields.push_back(last);
            return fields;
        }
        fields.push_back(record.substr(start, end - start));
        start = end + 1;
    }
}

}  // namespace panelaid
