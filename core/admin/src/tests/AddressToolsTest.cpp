#include "AdapterSettings.h"
#include "AdminTestDir.h"
#include "IpAddressLib.h"
#include "IpText.h"
#include "NetnsLab.h"
#include "ToolRun.h"
#include "platform/RegistryStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>

namespace {

using hvtoolstest::RunArgv;
using hvtoolstest::ToolPath;
namespace pf = portlib::platform;

// One namespace with a veth pair: va0 holds 10.7.0.1/24 (context 0) and
// 10.7.0.2/24 (context 1); its peer has a name of 14 characters.
class AddressTools : public admintest::SystemDirTest {
protected:
    void SetUp() override {
        SystemDirTest::SetUp();
        if (!ns_.Ok()) GTEST_SKIP() << "cannot make a network namespace here (needs root)";
        ASSERT_EQ(ns_.Shell("ip link add va0 type veth peer name vethpeer012345 && ip link set va0 up && "
                            "ip link set vethpeer012345 up && ip addr add 10.7.0.1/24 dev va0 && "
                            "ip addr add 10.7.0.2/24 dev va0 label va0:1 && "
                            "ip addr add 10.8.0.1/16 dev vethpeer012345"),
                  0);
        const auto r = Run("hvreg", {"adapters"});
        ASSERT_EQ(r.exitCode, 0) << r.err;
    }
    hvtoolstest::ToolResult Run(const std::string& tool, const std::vector<std::string>& args) {
        std::vector<std::string> argv{tool == "hvreg" ? std::string(HV_HVREG_BIN) : ToolPath(tool)};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunArgv(ns_.Inside(argv));
    }
    // "address/prefix label" of every IPv4 address of va0, sorted.
    std::string Addresses() {
        const auto r = RunArgv(ns_.Inside(
            {"/bin/sh", "-c",
             "ip -4 -o addr show dev va0 | "
             "awk '{for (i = 1; i <= NF; i++) if ($i ~ /\\\\$/) print $4, substr($i, 1, length($i) - 1)}' | sort"}));
        return r.out;
    }
    netnslab::Namespace ns_;
};

TEST_F(AddressTools, AdaptersAreSeededAndListed) {
    ipslib::AdapterSettings s;
    ASSERT_EQ(ipslib::GetAdapterSettings("va0", &s), 1);
    EXPECT_EQ(s.addresses, (std::vector<std::string>{"10.7.0.1", "10.7.0.2"}));
    EXPECT_EQ(s.masks, (std::vector<std::string>{"255.255.255.0", "255.255.255.0"}));
    EXPECT_NE(s.interfaceContext, 0u);
    std::vector<std::string> bound;
    ASSERT_EQ(ipslib::GetBoundAdapters(&bound), 1);
    ASSERT_EQ(bound.size(), 2u);  // loopback is not bound
    std::string path, name;
    ASSERT_EQ(ipslib::GetNbtDevice(&path, &name, 2), 1);
    EXPECT_EQ(path, "\\Device\\NetBT_" + bound[1]);
    EXPECT_EQ(name, "NetBT_" + bound[1]);
    std::sort(bound.begin(), bound.end());
    EXPECT_EQ(bound, (std::vector<std::string>{"va0", "vethpeer012345"}));
    EXPECT_EQ(ipslib::GetNbtDevice(&path, &name, 0), 0);
    EXPECT_EQ(ipslib::GetNbtDevice(&path, &name, 3), 0);

    auto r = Run("addrshow", {"-a", "va0"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "10.7.0.1 255.255.255.0\n10.7.0.2 255.255.255.0\n");
    r = Run("addrshow", {"va0"});
    EXPECT_EQ(r.out, "10.7.0.2 255.255.255.0\n");
    r = Run("addrshow", {"vethpeer012345"});  // one address: nothing without -a
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
    for (const auto& args : std::vector<std::vector<std::string>>{{}, {"-ab", "va0"}, {"va0", "-a"}}) {
        r = Run("addrshow", args);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "Usage: addrshow [-a] <Net Card name>\n");
    }
    r = Run("addrshow", {"-a", "nosuch0"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("nosuch0"), std::string::npos);
}

TEST_F(AddressTools, SwitchesTheFirstAndASecondAddressEachAlone) {
    auto r = Run("addrswitch", {"10.7.0.9", "255.255.255.0", "va0", "0"});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    // The second address survives the first's removal.
    EXPECT_EQ(Addresses(), "10.7.0.2/24 va0:1\n10.7.0.9/24 va0\n");
    r = Run("addrswitch", {"10.7.1.22", "255.255.0.0", "va0", "1"});
    ASSERT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(Addresses(), "10.7.0.9/24 va0\n10.7.1.22/16 va0:1\n");
    // The registry keeps the configuration, not the live state.
    r = Run("addrshow", {"-a", "va0"});
    EXPECT_EQ(r.out, "10.7.0.1 255.255.255.0\n10.7.0.2 255.255.255.0\n");
}

TEST_F(AddressTools, RefusedSwitchesChangeNothing) {
    const std::string before = Addresses();
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* says;
    } cases[] = {
        {{"10.7.0.9", "255.0.255.0", "va0", "0"}, 2, "not a contiguous subnet mask"},
        {{"1.2.3", "255.255.255.0", "va0", "0"}, 2, "not an IPv4 address"},
        {{"999.1.1.1", "255.255.255.0", "va0", "1"}, 2, "not an IPv4 address"},
        {{"10.7.0.9", "255.255.255.0", "va0", "65536"}, 1, "not a number from 0 to 65535"},
        {{"10.7.0.9", "255.255.255.0", "va0", "1x"}, 1, "not a number from 0 to 65535"},
        {{"10.7.0.9", "255.255.255.0", "nosuch0", "0"}, 1, "cannot be read"},
        {{"10.8.0.9", "255.255.0.0", "vethpeer012345", "1"}, 2, "too long"},
        {{"10.7.0.9", "255.255.255.0", "va0"}, 1, "Usage:   addrswitch <Address> <SubnetMask> <NetCard> <Context>\n"},
    };
    for (const Case& c : cases) {
        const auto r = Run("addrswitch", c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.says;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
        EXPECT_EQ(Addresses(), before) << c.says;
    }
    // Known to the registry but not to the kernel: the IP change is refused.
    ipslib::AdapterSettings ghost;
    ASSERT_EQ(ipslib::SetAdapterSettings("ghost0", ghost), 1);
    const auto r = Run("addrswitch", {"10.7.0.9", "255.255.255.0", "ghost0", "1"});
    EXPECT_EQ(r.exitCode, 2);
}

TEST_F(AddressTools, TheNetbiosHookRunsForTheFirstAddressOnly) {
    const std::string log = dir_ + "/hook.log";
    const std::string hook = Write("hook.sh", "#!/bin/sh\necho \"$@\" >>" + log + "\nexit ${HOOK_EXIT:-0}\n");
    ::chmod(hook.c_str(), 0755);
    pf::RegKey key;
    ASSERT_EQ(pf::RegistryStore::CreateKey(pf::RegHive::LocalMachine,
                                           "SYSTEM\\CurrentControlSet\\Services\\NetBT\\Parameters", &key),
              0);
    ASSERT_EQ(pf::RegistryStore::SetValue(key, "AddressChangeCommand", pf::HV_REG_SZ,
                                          reinterpret_cast<const unsigned char*>(hook.c_str()),
                                          static_cast<std::uint32_t>(hook.size() + 1)),
              0);
    ASSERT_EQ(Run("addrswitch", {"10.7.0.23", "255.255.255.0", "va0", "1"}).exitCode, 0);
    EXPECT_EQ(Read(log), "");
    ASSERT_EQ(Run("addrswitch", {"10.7.0.9", "255.255.255.0", "va0", "0"}).exitCode, 0);
    EXPECT_EQ(Read(log), "va0 0.0.0.0 255.255.255.0\nva0 10.7.0.9 255.255.255.0\n");

    ::setenv("HOOK_EXIT", "1", 1);
    const auto r = Run("addrswitch", {"10.7.0.10", "255.255.255.0", "va0", "0"});
    ::unsetenv("HOOK_EXIT");
    EXPECT_EQ(r.exitCode, 3);
    EXPECT_NE(Addresses().find("10.7.0.9/24 va0"), std::string::npos);  // refused before the switch
}

// Registry lists written by hand: unequal, unterminated and oversized.
class AdapterLists : public admintest::SystemDirTest {
protected:
    void SetList(const char* value, const std::string& bytes) {
        pf::RegKey key;
        ASSERT_EQ(pf::RegistryStore::CreateKey(pf::RegHive::LocalMachine, ipslib::AdapterKeyPath("eth9").c_str(), &key),
                  0);
        ASSERT_EQ(pf::RegistryStore::SetValue(key, value, pf::HV_REG_MULTI_SZ,
                                              reinterpret_cast<const unsigned char*>(bytes.data()),
                                              static_cast<std::uint32_t>(bytes.size())),
                  0);
    }
    hvtoolstest::ToolResult Show() { return hvtoolstest::RunTool("addrshow", {"-a", "eth9"}); }
};

TEST_F(AdapterLists, ShowStopsAtTheShorterListAndNeverReadsPastOne) {
    const char nul = '\0';
    SetList("IpAddress", std::string("10.0.0.1") + nul + "10.0.0.2" + nul + "10.0.0.3" + nul + nul);
    SetList("SubnetMask", std::string("255.0.0.0") + nul + "255.255.0.0");  // no terminator at all
    auto r = Show();
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "10.0.0.1 255.0.0.0\n10.0.0.2 255.255.0.0\n");

    // 1024 bytes with the final empty string are read; 1025 are not.
    std::string full;
    for (int i = 0; i < 92; ++i) full += "10.0.0." + std::to_string(100 + i) + '\0';
    SetList("SubnetMask", full + "10.0.0.192" + '\0' + '\0');
    EXPECT_EQ(Show().exitCode, 0);
    for (const std::string& big : {full + "10.0.0.1920" + '\0' + '\0', std::string(1100, '7') + '\0' + '\0'}) {
        SetList("SubnetMask", big);
        r = Show();
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("cannot be read"), std::string::npos);
    }
}

TEST_F(AdapterLists, EditsKeepEveryListWithinItsBytes) {
    ipslib::AdapterSettings s;
    // 1023 bytes of entries and the final NUL: exactly full.
    for (int i = 0; i < 93; ++i) s.addresses.push_back("10.0.0." + std::to_string(100 + i));
    s.masks.assign(2, "255.255.255.0");
    std::string bytes;
    ASSERT_TRUE(ipslib::EncodeMultiString(s.addresses, &bytes));
    ASSERT_EQ(bytes.size(), 1024u);
    ASSERT_EQ(ipslib::SetAdapterSettings("eth9", s), 1);
    EXPECT_EQ(ipslib::AppendIpAddress("eth9", "1.1.1.1", "255.0.0.0"), 0);  // would not fit
    ipslib::AdapterSettings back;
    ASSERT_EQ(ipslib::GetAdapterSettings("eth9", &back), 1);
    EXPECT_EQ(back.addresses, s.addresses);
    EXPECT_EQ(back.masks, s.masks);

    s.addresses = {"10.0.0.1", "10.00.0.2"};
    ASSERT_EQ(ipslib::SetAdapterSettings("eth9", s), 1);
    EXPECT_EQ(ipslib::ReplaceIpAddress("eth9", 2, "10.0.0.3", "255.0.0.0"), 0);  // not an append
    EXPECT_EQ(ipslib::ReplaceIpAddress("eth9", 1, "10.0.0.3", "255.0.0.0"), 1);
    ASSERT_EQ(ipslib::RemoveIpAddress("eth9", 0), 1);
    ASSERT_EQ(ipslib::GetAdapterSettings("eth9", &back), 1);
    EXPECT_EQ(back.addresses, std::vector<std::string>{"10.0.0.3"});
    EXPECT_EQ(back.masks, std::vector<std::string>{"255.0.0.0"});
    EXPECT_EQ(ipslib::RemoveIpAddress("eth9", 1), 0);
    EXPECT_EQ(ipslib::GetAdapterSettings("nosuch", &back), 0);
}

TEST_F(AdapterLists, FindingByTextAndByValue) {
    ipslib::AdapterSettings s;
    s.addresses = {"10.0.0.1", "10.00.0.2"};
    s.masks = {"255.0.0.0", "255.0.0.0"};
    ASSERT_EQ(ipslib::SetAdapterSettings("eth9", s), 1);
    ASSERT_EQ(ipslib::WriteMachineList(ipslib::kBindKey, "Bind", {"\\Device\\eth8", "\\Device\\eth9"}), 1);
    unsigned index = 9;
    int notFound = 9;
    ASSERT_EQ(ipslib::FindIpAddress("eth9", "10.0.0.2", &index, &notFound), 1);
    EXPECT_EQ(notFound, 1);  // texts differ
    EXPECT_EQ(index, 2u);
    ASSERT_EQ(ipslib::FindIpAddress("eth9", "10.00.0.2", &index, &notFound), 1);
    EXPECT_EQ(notFound, 0);
    EXPECT_EQ(index, 1u);
    std::string adapter;
    ASSERT_EQ(ipslib::FindAdapterByAddress("10.0.0.2", &adapter, &index), 1);  // values match
    EXPECT_EQ(adapter, "eth9");
    EXPECT_EQ(index, 1u);
    EXPECT_EQ(ipslib::FindAdapterByAddress("10.0.0.3", &adapter, &index), 0);
}

TEST(IpText, DottedQuadsAndMasks) {
    struct Case {
        const char* text;
        bool ok;
    } cases[] = {{"10.7.0.1", true},   {"0.0.0.0", true},   {"255.255.255.255", true}, {"1.2.3", false},
                 {"999.1.1.1", false}, {"1.2.3.4.5", false}, {"1.2.3.", false},         {" 1.2.3.4", false},
                 {"1.2.3.4 ", false},  {"1..3.4", false},    {"0001.2.3.4", false},     {"", false}};
    for (const Case& c : cases) {
        std::uint32_t v = 0;
        EXPECT_EQ(ipslib::ParseDottedQuad(c.text, &v), c.ok) << c.text;
    }
    struct Mask {
        const char* text;
        int prefix;
    } masks[] = {{"255.255.255.0", 24}, {"0.0.0.0", 0}, {"255.255.255.255", 32}, {"255.0.255.0", -1},
                 {"0.255.255.255", -1}, {"255.255.254.0", 23}};
    for (const Mask& m : masks) {
        std::uint32_t v = 0;
        ASSERT_TRUE(ipslib::ParseDottedQuad(m.text, &v));
        EXPECT_EQ(ipslib::MaskPrefix(v), m.prefix) << m.text;
    }
}

}  // namespace
