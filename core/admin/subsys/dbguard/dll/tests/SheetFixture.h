// A kit sheet over FakeKitHost for the pair NODE1/NODE2, opened as the
// create entry opens it.
#pragma once

#include "CClusDef.h"
#include "CKitSheet.h"
#include "CSQL_ActiveActive.h"
#include "CSQL_ActiveStandby.h"
#include "FakeKitHost.h"

#include <gtest/gtest.h>

namespace dbguard {

class SheetFixture : public ::testing::Test {
protected:
    SheetFixture() {
        block.m_pid = "77";
        block.m_machine = "NODE1";
        block.m_secondarySystems = {"NODE2", "NODE1"};
        block.m_primarySystems = {"NODE1", "NODE2"};
        host.runner.Answer("/bin/getrootdir", {0, {"/opt/hv"}});
    }

    void Open() {
        sheet.InitFromBlock(&block);
        sheet.Start();
    }
    // sqlconfg's answer, then the sheet opened and tab 1 asked for.
    void OpenStandby() {
        host.runner.Answer(kConfigScript, {0, {"Standby"}});
        Open();
        ASSERT_TRUE(sheet.UserSelectsTab(1));
    }
    void OpenActive(std::vector<std::string> lines) {
        host.runner.Answer(kConfigScript, {0, {"Active"}});
        host.runner.Answer(kDatabaseListScript, {0, std::move(lines)});
        Open();
        ASSERT_TRUE(sheet.UserSelectsTab(1));
    }
    void AddDbguardInstance(const std::string& machine, const std::string& tag) {
        panelaid::FakeConsoleDatabase::Instance i;
        i.application = "database";
        i.type = "dbguard";
        i.tag = tag;
        host.db.AddInstance(machine, i);
    }
    void AddInstance(const std::string& machine, const std::string& tag) {
        panelaid::FakeConsoleDatabase::Instance i;
        i.tag = tag;
        host.db.AddInstance(machine, i);
    }
    // Journal entries from index `from` on.
    std::vector<std::string> JournalFrom(std::size_t from) const {
        const std::vector<std::string> j = host.Journal();
        return std::vector<std::string>(j.begin() + static_cast<std::ptrdiff_t>(std::min(from, j.size())), j.end());
    }

    FakeKitHost host;
    RecoveryKitControlBlock block;
    CKitSheet sheet{host};
};

}  // namespace dbguard
