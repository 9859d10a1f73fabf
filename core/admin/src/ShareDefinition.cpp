#include "ShareDefinition.h"

#include <cctype>

namespace hvadmin {

namespace {
constexpr int kRemarkEnd = 0x02;
bool IsSpace(int c) { return c != EOF && std::isspace(static_cast<unsigned char>(c)); }
}  // namespace

// Skips white space and returns the first other character (pushed back), or EOF.
int ShareDefinitionReader::SkipSpace() {
    int c;
    do {
        c = std::fgetc(in_);
    } while (IsSpace(c));
    if (c != EOF) std::ungetc(c, in_);
    return c;
}

bool ShareDefinitionReader::ReadWord(std::string* word, std::size_t max) {
    word->clear();
    if (SkipSpace() == EOF) return false;
    int c;
    while ((c = std::fgetc(in_)) != EOF && !IsSpace(c)) {
        if (word->size() == max || c == 0) return false;
        word->push_back(static_cast<char>(c));
    }
    if (c != EOF) std::ungetc(c, in_);
    return !word->empty();
}

bool ParseDecimalU32(const std::string& digits, std::uint32_t* value) {
    if (digits.empty() || digits.size() > 10) return false;
    std::uint64_t v = 0;
    for (char d : digits) {
        if (d < '0' || d > '9') return false;
        v = v * 10 + static_cast<unsigned>(d - '0');
    }
    if (v > UINT32_MAX) return false;
    *value = static_cast<std::uint32_t>(v);
    return true;
}

bool ShareDefinitionReader::ReadNumber(std::uint32_t* value) {
    std::string digits;
    return ReadWord(&digits, 10) && ParseDecimalU32(digits, value);
}

// Leading white space is skipped; everything up to the byte 0x02 is the
// remark, which is consumed with it. No 0x02 before the end: a bad field.
bool ShareDefinitionReader::ReadRemark(std::string* remark) {
    remark->clear();
    if (SkipSpace() == EOF) return false;
    int c;
    while ((c = std::fgetc(in_)) != EOF && c != kRemarkEnd) {
        if (remark->size() == kMaxText || c == 0) return false;
        remark->push_back(static_cast<char>(c));
    }
    return c == kRemarkEnd;
}

ShareDefinitionReader::Result ShareDefinitionReader::Bad(const char* field) {
    badField_ = field;
    return Result::BadField;
}

ShareDefinitionReader::Result ShareDefinitionReader::Next(ShareDefinition* share) {
    *share = ShareDefinition{};
    if (SkipSpace() == EOF) return Result::End;
    if (!ReadWord(&share->name, kMaxText)) return Bad("share name");
    if (!ReadNumber(&share->type)) return Bad("type");
    if (!ReadNumber(&share->permissions)) return Bad("permissions");
    if (!ReadNumber(&share->maxUses)) return Bad("maximum uses");
    if (!ReadWord(&share->path, kMaxText)) return Bad("path");
    if (!ReadRemark(&share->remark)) return Bad("remark");
    if (!ReadWord(&share->descriptor, kMaxDescriptorText)) return Bad("security descriptor");
    return Result::Share;
}

}  // namespace hvadmin
