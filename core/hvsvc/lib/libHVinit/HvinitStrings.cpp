// The string routines that the HV-init server and the tools share.
#include "HvinitReport.h"
#include "libHVinit.h"

#include <cctype>
#include <cstring>

namespace {

constexpr std::size_t kPairScan = 1025;
constexpr std::size_t kCharScan = 257;
constexpr std::size_t kPidScan = 256;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Copies src into dst (always terminated) and cuts the copy at the first `at`.
char* CopyAndCut(const char* src, char* dst, std::size_t dstSize, char at) {
    if (dst == nullptr || dstSize == 0) return nullptr;
    if (src == nullptr) src = "";
    std::size_t n = std::strlen(src);
    if (n >= dstSize) n = dstSize - 1;
    std::memcpy(dst, src, n);
    dst[n] = '\0';
    char* cut = std::strchr(dst, at);
    if (cut != nullptr) *cut = '\0';
    return cut;
}

}  // namespace

int split_args(const char* line, char (*fields)[hvinit::kFieldBytes], int maxFields) {
    if (line == nullptr) return 0;
    int count = 0;
    const char* p = line;
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (*p == '\0' || *p == '\n') return count;
        const char* start = p;
        while (*p != '\0' && *p != '\n' && !IsBlank(*p)) ++p;
        const std::size_t len = static_cast<std::size_t>(p - start);
        if (len >= hvinit::kFieldBytes) {
            HVI_REPORT(3, 19651, "Argument length is > than %d characters long.\n",
                       static_cast<int>(hvinit::kFieldBytes));
            return count;
        }
        if (fields != nullptr && count < maxFields) {
            std::memcpy(fields[count], start, len);
            fields[count][len] = '\0';
        }
        ++count;
    }
}

const char* find_substring(const char* text, const char* pattern) {
    if (text == nullptr || pattern == nullptr) return nullptr;
    return std::strstr(text, pattern);
}

int trim_trailing(char* text) {
    if (text == nullptr) return 0;
    std::size_t n = std::strlen(text);
    while (n > 0 && (IsBlank(text[n - 1]) || text[n - 1] == '\n' || text[n - 1] == '\r')) --n;
    text[n] = '\0';
    return 0;
}

void blank_pair(char* text, char c) {
    if (text == nullptr) return;
    for (std::size_t i = 0; i < kPairScan && text[i] != '\0'; ++i) {
        if (text[i] == c && i + 1 < kPairScan && text[i + 1] == c) {
            text[i] = ' ';
            text[++i] = ' ';
        }
    }
}

void blank_char(char* text, char c) {
    if (text == nullptr) return;
    for (std::size_t i = 0; i < kCharScan && text[i] != '\0'; ++i)
        if (text[i] == c) text[i] = ' ';
}

int is_pid_text(const char* text) {
    if (text == nullptr) return 0;
    for (std::size_t i = 0; i < kPidScan && text[i] != '\0'; ++i)
        if (std::isalpha(static_cast<unsigned char>(text[i]))) return 0;
    return 1;
}

char* cut_at_dot(const char* src, char* dst, std::size_t dstSize) { return CopyAndCut(src, dst, dstSize, '.'); }

char* cut_at_bar(const char* src, char* dst, std::size_t dstSize) { return CopyAndCut(src, dst, dstSize, '|'); }

char* proc_base_name(const char* command, char* dst, std::size_t dstSize) {
    if (dst == nullptr || dstSize == 0) return dst;
    if (command == nullptr) command = "";
    const char* end = std::strchr(command, '|');
    if (end == nullptr) end = command + std::strlen(command);
    const char* start = command;
    for (const char* p = command; p < end; ++p)
        if (*p == '/') start = p + 1;
    if (start < end && *start == '(') ++start;
    for (const char* p = end; p > start; --p) {
        if (p[-1] == ')') {
            end = p - 1;
            break;
        }
    }
    std::size_t n = static_cast<std::size_t>(end - start);
    if (n >= dstSize) n = dstSize - 1;
    std::memcpy(dst, start, n);
    dst[n] = '\0';
    return dst;
}
