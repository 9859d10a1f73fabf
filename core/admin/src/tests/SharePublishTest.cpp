#include "AdminTestDir.h"
#include "SecurityDescriptor.h"
#include "ShareStore.h"
#include "ToolRun.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using hvadmin::ShareRecord;
using hvadmin::ShareStore;
using hvtoolstest::RunTool;

// Owner S-1-5-32-544, a DACL granting S-1-1-0 everything.
std::vector<std::uint8_t> GoodDescriptor() {
    return {1,    0,    0x04, 0x80, 20, 0, 0, 0, 0, 0, 0, 0, 0,   0,   0,   0, 36, 0, 0, 0,
            // owner SID
            1,    2,    0,    0,    0,  0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0,
            // ACL: revision 2, size 28, one entry
            2,    0,    28,   0,    1,  0, 0, 0,
            // access-allowed entry, size 20, mask, SID S-1-1-0
            0,    0,    20,   0,    0xff, 0x01, 0x1f, 0, 1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};
}

std::string Share(const std::string& name, const std::string& path, const std::string& remark,
                  const std::string& descriptor) {
    return name + " 0 0 4294967295 " + path + " " + remark + "\x02 " + descriptor + "\n";
}

class SharePublish : public admintest::SystemDirTest {
protected:
    hvtoolstest::ToolResult Publish(const std::string& text) {
        return RunTool("sharepublish", {Write("defs", text)});
    }
    std::vector<ShareRecord> Shares() {
        std::vector<ShareRecord> shares;
        EXPECT_EQ(ShareStore::Load(&shares), 0);
        return shares;
    }
};

TEST_F(SharePublish, EmptyFileSucceedsWithoutWritingShares) {
    const auto r = Publish(" \n\t\n");
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_FALSE(std::filesystem::exists(ShareStore::Path()));
}

TEST_F(SharePublish, KeepsEveryFieldAndReplacesAShareOfTheSameName) {
    const std::string hex = hvadmin::BytesToHex(GoodDescriptor());
    std::string lower = hex;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto r = Publish(Share("DATA", "/srv/old", "old", "NONE") +
                     Share("LOGS", "/srv/logs", "  Team logs,\n  two lines\t", lower));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    r = Publish("data 1 7 12 /srv/new \n\nnew remark\x02" + hex);
    ASSERT_EQ(r.exitCode, 0) << r.err;

    const auto shares = Shares();
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0].name, "LOGS");
    EXPECT_EQ(shares[0].remark, "Team logs,\n  two lines\t");
    EXPECT_EQ(shares[0].descriptor, GoodDescriptor());  // lower-case hex reads as written
    EXPECT_EQ(shares[0].maxUses, 4294967295u);
    EXPECT_EQ(shares[1].name, "data");  // replaced, not added beside the old one
    EXPECT_EQ(shares[1].path, "/srv/new");
    EXPECT_EQ(shares[1].remark, "new remark");
    EXPECT_EQ(shares[1].type, 1u);
    EXPECT_EQ(shares[1].permissions, 7u);
    EXPECT_EQ(shares[1].maxUses, 12u);
    EXPECT_EQ(shares[1].descriptor, GoodDescriptor());
}

TEST_F(SharePublish, ABadShareEndsTheRunAndKeepsWhatWasPublishedBefore) {
    const std::string good = Share("FIRST", "/srv/a", "kept", "NONE");
    const std::string after = Share("THIRD", "/srv/c", "never tried", "NONE");
    std::string descriptorOutside = hvadmin::BytesToHex(GoodDescriptor());
    descriptorOutside[8] = 'F';  // owner offset far past the end
    struct Case {
        const char* what;
        std::string second;
        const char* message;
        bool last = false;  // the file ends with it
    } cases[] = {
        {"odd hex", Share("SECOND", "/b", "r", "0102030"), "Error converting security descriptor string"},
        {"non-hex digit", Share("SECOND", "/b", "r", "01G2"), "Error converting security descriptor string"},
        {"descriptor refused", Share("SECOND", "/b", "r", descriptorOutside), "security descriptor is invalid"},
        {"not a descriptor", Share("SECOND", "/b", "r", "00112233"), "security descriptor is invalid"},
        {"name too long", Share(std::string(260, 'N'), "/b", "r", "NONE"), "Bad share name field"},
        {"path too long", Share("SECOND", "/" + std::string(259, 'p'), "r", "NONE"), "Bad path field"},
        {"remark too long", Share("SECOND", "/b", std::string(260, 'r'), "NONE"), "Bad remark field"},
        {"truncated", "SECOND 0 0", "Bad maximum uses field", true},
        {"no end of remark", "SECOND 0 0 1 /b a remark without its end\n", "Bad remark field", true},
        {"no descriptor", "SECOND 0 0 1 /b remark\x02 \n", "Bad security descriptor field", true},
        {"number too big", Share("SECOND 4294967296", "/b", "r", "NONE"), "Bad type field"},
        {"binary junk", std::string("\x7f" "ELF\x01\x00\x00\xff\xfe", 9), "Bad share name field"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(ShareStore::Path());
        const auto r = Publish(good + c.second + (c.last ? "" : after));
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("Unable to add/Update File Share " + dir_ + "/defs information"), std::string::npos);
        const auto shares = Shares();
        ASSERT_EQ(shares.size(), 1u);
        EXPECT_EQ(shares[0].name, "FIRST");
    }
}

TEST_F(SharePublish, LimitsAreInclusiveAndTheRemarkMayBeEmpty) {
    const auto r = Publish(Share(std::string(259, 'N'), "/" + std::string(258, 'p'), std::string(259, 'r'), "NONE") +
                           Share("EMPTY", "/e", "", "NONE"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto shares = Shares();
    ASSERT_EQ(shares.size(), 2u);
    EXPECT_EQ(shares[0].remark.size(), 259u);
    EXPECT_EQ(shares[1].remark, "");
}

TEST_F(SharePublish, UsageMissingFileAndADamagedStore) {
    auto r = RunTool("sharepublish");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "\nUsage : sharepublish <fileName>\n");
    r = RunTool("sharepublish", {dir_ + "/absent"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "\nError opening the input file " + dir_ + "/absent");

    // A store that does not parse is never overwritten.
    const std::string damaged = "[share]\nname=X\nbogus=1\n";
    Write("shares", damaged);
    r = Publish(Share("NEW", "/n", "r", "NONE"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Read(ShareStore::Path()), damaged);
}

TEST(SecurityDescriptorCheck, RefusesEveryPartOutsideTheBuffer) {
    const auto good = GoodDescriptor();
    EXPECT_TRUE(hvadmin::IsValidSelfRelativeDescriptor(good));
    struct Case {
        const char* what;
        std::size_t at;
        std::uint8_t value;
    } cases[] = {
        {"revision", 0, 2},
        {"not self-relative", 3, 0x00},
        {"owner inside the header", 4, 8},
        {"owner offset past the end", 4, 60},
        {"sixteen sub-authorities", 21, 16},
        {"ACL larger than the buffer", 38, 40},
        {"ACL revision", 36, 3},
        {"entry larger than its ACL", 46, 24},
        {"entry size not a multiple of four", 46, 18},
        {"two entries declared, one present", 40, 2},
        {"SID in the entry with too many sub-authorities", 53, 3},
    };
    for (const Case& c : cases) {
        auto sd = good;
        sd[c.at] = c.value;
        EXPECT_FALSE(hvadmin::IsValidSelfRelativeDescriptor(sd)) << c.what;
    }
    auto cut = good;
    cut.pop_back();
    EXPECT_FALSE(hvadmin::IsValidSelfRelativeDescriptor(cut)) << "last byte missing";
}

}  // namespace
