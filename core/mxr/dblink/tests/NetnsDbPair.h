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

struct DbSystem : mxrtest::NetnsSystem {
    std::string root;
    SystemEnv Env() const { return {{"HV_SYSTEM_DIR", dir}, {"MXRHOSTNAME", host}, {"TEST_ROOT", root}, {"TEST_UNAME", host}}; }
};

struct NetnsDbPair : mxrtest::NetnsPairOf<DbSystem> {
    // Makes the pair: namespaces "<prefix><pid>a" and "...b", systems NODEA
    // (10.<subnet>.0.1) and NODEB (10.<subnet>.0.2), each with its root.
    // Skips the test without namespaces; the caller returns when IsSkipped().
    void MakePair(const std::string& prefix, const std::string& subnet) {
        setup_ = {prefix, "NODEA", "NODEB", "10." + subnet + ".0.", false, {}};
        NetnsPairOf::MakePair();
        if (IsSkipped() || HasFatalFailure()) return;
        for (DbSystem* s : {&a, &b}) {
            s->root = s->dir + "/root";
            std::filesystem::create_directories(s->root + "/etc");
            std::filesystem::create_directories(s->root + "/config");
            std::ofstream(s->root + "/etc/Holdervane") << "INITTIMEOUT=20\n";
            std::ofstream(s->root + "/config/systems") << "NODEA\x01" "A\x01\n" "NODEB\x01" "A\x01\n";
            cfgtest::InstallRootBin(s->root);
        }
    }
    mxrtest::EnvOverrides EnvOf(const DbSystem& s) const override {
        mxrtest::EnvOverrides env;
        for (const auto& [k, v] : s.Env()) env.push_back({k, v});
        return env;
    }
};

}  // namespace linktest
