#include "qdbexec.h"

namespace cfgstore {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
    std::vector<std::string> args;
    std::size_t i = 0;
    const std::size_t n = line.size();
    while (i < n && IsBlank(line[i])) ++i;
    if (i == n) return args;

    // The program name: no escapes, a leading quote runs to the next quote.
    std::string name;
    if (line[i] == '"') {
        ++i;
        while (i < n && line[i] != '"') name += line[i++];
        if (i < n) ++i;
    } else {
        while (i < n && !IsBlank(line[i])) name += line[i++];
    }
    args.push_back(std::move(name));

    for (;;) {
        while (i < n && IsBlank(line[i])) ++i;
        if (i == n) break;
        std::string arg;
        bool quoted = false;
        while (i < n) {
            const char c = line[i];
            if (c == '\\') {
                std::size_t slashes = 0;
                while (i < n && line[i] == '\\') {
                    ++slashes;
                    ++i;
                }
                if (i < n && line[i] == '"') {
                    arg.append(slashes / 2, '\\');
                    if (slashes % 2 == 1) {
                        arg += '"';
                        ++i;
                    }
                    // An even run leaves the quote to the next turn.
                } else {
                    arg.append(slashes, '\\');
                }
            } else if (c == '"') {
                if (quoted && i + 1 < n && line[i + 1] == '"') {
                    arg += '"';
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else if (!quoted && IsBlank(c)) {
                break;
            } else {
                arg += c;
                ++i;
            }
        }
        args.push_back(std::move(arg));
    }
    return args;
}

std::string QuoteCommandArg(std::string_view value) {
    if (!value.empty() && value.find_first_of(" \t\n\v\"") == std::string_view::npos) return std::string(value);
    std::string out = "\"";
    std::size_t slashes = 0;
    for (char c : value) {
        if (c == '\\') {
            ++slashes;
            continue;
        }
        if (c == '"') {
            out.append(slashes * 2 + 1, '\\');
        } else {
            out.append(slashes, '\\');
        }
        slashes = 0;
        out += c;
    }
    // Backslashes before the closing quote are doubled so it stays a quote.
    out.append(slashes * 2, '\\');
    out += '"';
    return out;
}

}  // namespace cfgstore
