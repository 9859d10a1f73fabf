// Two systems with a database each, in network namespaces of their own
// joined by a veth pair: their directories, their roots (the tunables, both
// systems in config/systems, the outside programs under bin/) and the
// processes started in them, which all go before their namespaces. Needs
// root (namespaces); a test skips elsewhere.
#pragma once

#include "NetnsPairSupport.h"
#include "ProcessTestSupport.h"
#include "RootBin.h"
#include "TwoSystemsClients.h"
#include "platform/tests/TempSystemDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace linktest {

struct DbSystem {
    mxrtest::NetnsSystem net;
    std::string root;
    SystemEnv Env() const {
        return {{"HV_SYSTEM_DIR", net.dir}, {"MXRHOSTNAME", net.host}, {"TEST_ROOT", root}, {"TEST_UNAME", net.host}};
    }
};

struct NetnsDbPair : ::testing::Test {
    hvtest::TempSystemDir sys;
    std::string ip = mxrtest::IpTool();
    DbSystem a, b;
    bool made = false;
    int children = 0;
    std::vector<std::unique_ptr<mxrtest::ChildProcess>> procs;

    // Makes the pair: namespaces "<prefix><pid>a" and "...b", systems NODEA
    // (10.<subnet>.0.1) and NODEB (10.<subnet>.0.2). Skips the test without
    // namespaces; the caller returns when IsSkipped().
    void MakePair(const std::string& prefix, const std::string& subnet) {
        const std::string tag = prefix + std::to_string(::getpid());
        a.net = {tag + "a", tag + "a0", sys.Path() + "/a", "NODEA", "10." + subnet + ".0.1"};
        b.net = {tag + "b", tag + "b0", sys.Path() + "/b", "NODEB", "10." + subnet + ".0.2"};
        const std::string why = mxrtest::MakeNetnsPair(ip, a.net, b.net, made);
        if (!why.empty() && !made) GTEST_SKIP() << why;
        ASSERT_EQ(why, "");
        for (DbSystem* s : {&a, &b}) {
            s->root = s->net.dir + "/root";
            std::filesystem::create_directories(s->root + "/etc");
            std::filesystem::create_directories(s->root + "/config");
            std::ofstream(s->root + "/etc/Holdervane") << "INITTIMEOUT=20\n";
            std::ofstream(s->root + "/config/systems") << "NODEA\x01" "A\x01\n" "NODEB\x01" "A\x01\n";
            cfgtest::InstallRootBin(s->root);
        }
    }
    void TearDown() override {
        procs.clear();  // every process goes before its namespace
        if (made) mxrtest::RemoveNetnsPair(ip, a.net, b.net);
    }
    mxrtest::ChildProcess& Run(const DbSystem& s, std::vector<std::string> args) {
        args.insert(args.begin(), {ip, "netns", "exec", s.net.ns});
        const std::string base = sys.Path() + "/p" + std::to_string(++children);
        mxrtest::EnvOverrides env;
        for (const auto& [k, v] : s.Env()) env.push_back({k, v});
        procs.push_back(std::make_unique<mxrtest::ChildProcess>(args, env, base + ".out", base + ".err"));
        return *procs.back();
    }
};

}  // namespace linktest
