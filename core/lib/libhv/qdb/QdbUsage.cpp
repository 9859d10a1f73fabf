#include "qdberr.h"
#include "qdbpaths.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace {

void AppendFormatted(std::string* out, const char* format, va_list args) {
    va_list probe;
    va_copy(probe, args);
    int n = std::vsnprintf(nullptr, 0, format, probe);
    va_end(probe);
    if (n <= 0) return;
    std::size_t at = out->size();
    out->resize(at + static_cast<std::size_t>(n) + 1);
    std::vsnprintf(out->data() + at, static_cast<std::size_t>(n) + 1, format, args);
    out->resize(at + static_cast<std::size_t>(n));
}

void AppendFormatted(std::string* out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    AppendFormatted(out, format, args);
    va_end(args);
}

}  // namespace

extern "C" void qdbusage(const char* format, ...) {
    std::string text;
    if (format != nullptr) {
        if (pQdb_arg0) AppendFormatted(&text, "%s: ", pQdb_arg0);
        va_list args;
        va_start(args, format);
        AppendFormatted(&text, format, args);
        va_end(args);
        if (text.empty() || text.back() != '\n') text += '\n';
    }
    if (pQdb_usage) AppendFormatted(&text, pQdb_usage, pQdb_arg0 ? pQdb_arg0 : "");
    else if (pQdb_arg0) AppendFormatted(&text, "%s: command line syntax error\n", pQdb_arg0);
    else text += "command line syntax error\n";
    hv_err(3, 334, "%s", text.c_str());
    qdbexit(2);
}
