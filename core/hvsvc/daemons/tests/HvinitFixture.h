// The monitor and its dispatcher on a private table (not shared memory), the
// fake process layer and an installation root in a fresh system directory.
#pragma once

#include "FakeMonitorSystem.h"
#include "ServiceTestSupport.h"

#include "HvinitDispatcher.h"
#include "HvinitEventLog.h"
#include "HvinitMonitor.h"
#include "HvinitPaths.h"
#include "SlotHandles.h"
#include "qdberr.h"

#include <gtest/gtest.h>

#include <memory>

namespace hvsvctest {

class HvinitFixture : public ::testing::Test {
public:  // the table-driven cases reach into the fixture
    HvinitFixture()
        : paths_(hvsvc::HvinitPaths::Under(inst_.Root())),
          table_(std::make_unique<hvinit::HvinitTable>()),
          handles_(table_.get(), sys_),
          dispatcher_(table_.get(), handles_, sys_, paths_),
          monitor_(table_.get(), handles_, sys_, dispatcher_, paths_) {
        std::filesystem::create_directories(paths_.etcDir);
        set_errinfo("Hvinit:", "/usr/alarm/out/HVINIT", 4, nullptr);  // the service's identity
        monitor_.FillNewTable(1, "TESTHOST");
    }

    void WriteFile(const std::string& path, const std::string& text) { std::ofstream(path) << text; }
    void Config(const std::string& text) { WriteFile(paths_.config, text); }
    std::string ConfigText() const { return ReadText(paths_.config); }
    // Tunables, then the configuration file, as the thread starts.
    void Start(const std::string& tunables = "") {
        if (!tunables.empty()) WriteFile(paths_.tunables, tunables);
        monitor_.FillNewTable(1, "TESTHOST");
        ASSERT_TRUE(monitor_.ReadConfiguration());
        monitor_.Begin();
    }
    // One pass at `seconds` after the current time.
    void PassAfter(int seconds) {
        sys_.now += seconds;
        monitor_.Pass();
    }
    std::string Reply(const std::string& request) {
        char reply[hvsvc::HvinitDispatcher::kReplyBytes];
        dispatcher_.Dispatch(request.c_str(), request.size() + 1, reply, hvsvc::HvinitDispatcher::Origin::Pipe);
        return std::string(reply, strnlen(reply, sizeof reply));
    }
    hvinit::HvinitSlot& Slot(int n) { return table_->slots[n]; }
    static std::size_t Reported(int id) { return hvtest::Reports(id).size(); }

    Installation inst_;
    hvsvc::HvinitPaths paths_;
    FakeMonitorSystem sys_;
    std::unique_ptr<hvinit::HvinitTable> table_;
    hvsvc::SlotHandles handles_;
    hvsvc::HvinitDispatcher dispatcher_;
    hvsvc::HvinitMonitor monitor_;
};

}  // namespace hvsvctest
