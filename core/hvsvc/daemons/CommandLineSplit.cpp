#include "CommandLineSplit.h"

namespace hvsvc {

std::vector<std::string> SplitCommandLine(const std::string& line) {
    std::vector<std::string> words;
    std::size_t i = 0;
    const std::size_t n = line.size();
    for (;;) {
        while (i < n && (line[i] == ' ' || line[i] == '\t')) ++i;
        if (i >= n) break;
        std::string word;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) {
            std::size_t slashes = 0;
            while (i < n && line[i] == '\\') {
                ++slashes;
                ++i;
            }
            if (i < n && line[i] == '"') {
                word.append(slashes / 2, '\\');
                if (slashes % 2 == 1) {
                    word += '"';
                } else if (quoted && i + 1 < n && line[i + 1] == '"') {
                    word += '"';  // "" inside quotes: one quote
                    ++i;
                } else {
                    quoted = !quoted;
                }
                ++i;
            } else {
                word.append(slashes, '\\');
                if (i < n && (quoted || (line[i] != ' ' && line[i] != '\t'))) word += line[i++];
            }
        }
        words.push_back(word);
    }
    return words;
}

}  // namespace hvsvc
