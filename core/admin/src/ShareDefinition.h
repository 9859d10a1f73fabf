// One share of a share-definition file, and the reader that takes shares
// one after another from such a file.
//
// A share is, separated by white space: name, type, permissions, maximum
// uses (unsigned decimals), path, the remark (any text, leading white space
// skipped, blanks and line ends kept) ended by the byte 0x02, and the
// security descriptor ("NONE" or hexadecimal text). Every field is bounded
// and holds no NUL byte: a longer one is a bad field, never cut short.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace hvadmin {

// A decimal of 0 to 4294967295 written with digits only.
bool ParseDecimalU32(const std::string& digits, std::uint32_t* value);

struct ShareDefinition {
    std::string name;
    std::uint32_t type = 0;
    std::uint32_t permissions = 0;
    std::uint32_t maxUses = 0;
    std::string path;
    std::string remark;
    std::string descriptor;  // "NONE" or hexadecimal text
};

class ShareDefinitionReader {
public:
    static constexpr std::size_t kMaxText = 259;                 // name, path, remark
    static constexpr std::size_t kMaxDescriptorText = 2 * 65536;  // hex digits

    enum class Result { Share, End, BadField };

    explicit ShareDefinitionReader(std::FILE* in) : in_(in) {}

    // The next share. End when only white space is left before the end of the
    // file; BadField when a field is missing, malformed or too long (then
    // BadFieldName says which).
    Result Next(ShareDefinition* share);
    const char* BadFieldName() const { return badField_; }

private:
    int SkipSpace();
    bool ReadWord(std::string* word, std::size_t max);
    bool ReadNumber(std::uint32_t* value);
    bool ReadRemark(std::string* remark);
    Result Bad(const char* field);

    std::FILE* in_;
    const char* badField_ = "";
};

}  // namespace hvadmin
