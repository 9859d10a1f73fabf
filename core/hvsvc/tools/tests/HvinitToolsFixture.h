// The process-monitor tools against a stand-in for HV-init's command pipe and
// a table that the test fills: a fresh system directory, the table created
// and held by the test, a copy of the probe program under a name of its own
// (named after the test process) to register, and the requests the tools sent.
#pragma once

#include "FakeHvinitServer.h"
#include "TempSystemDir.h"
#include "ToolRun.h"
#include "libHVinit.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace hvtoolstest {

class HvinitToolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string bin = sys_.Path() + "/bin";
        std::filesystem::create_directories(bin);
        // A name of this test's own: tests running side by side look for
        // their programs in one process list.
        program_ = bin + "/hvt_watched" + std::to_string(::getpid());
        std::filesystem::copy_file(HV_PROBE_BIN, program_);
        command_ = program_ + "|wait";
        ASSERT_EQ(hvi_shm_create(), 1);
        table_ = static_cast<hvinit::HvinitTable*>(hvi_shm_attach());
        ASSERT_NE(table_, nullptr);
        hvinit::HvinitHeader& h = table_->header;
        std::strcpy(h.systemName, "TESTHOST");
        h.serverReady = 1;
        h.pollTime = 5;
        h.restartCount = 5;
        h.restartInterval = 5;
        h.restartWindow = 25;
        replies_ = {{hvinit::kCmdSvrReady, "1"},   {hvinit::kCmdFork, "4242 17"}, {hvinit::kCmdGetGrpNum, "7"},
                    {hvinit::kCmdUpdate, "0"},     {hvinit::kCmdUpdateConf, "5"}, {hvinit::kCmdConfinq, "0"},
                    {hvinit::kCmdDelGrpNum, "0"}};
    }
    void TearDown() override {
        server_.reset();
        hvi_shm_detach(table_);
        hvi_shm_remove();
    }

    // Starts the stand-in; it answers each command from replies_.
    void Serve() {
        server_ = std::make_unique<hvtest::FakeHvinitServer>([this](int, const std::string& request) {
            std::lock_guard<std::mutex> g(mutex_);
            const auto it = replies_.find(std::atoi(request.c_str()));
            return std::optional<std::string>(it != replies_.end() ? it->second : "-1");
        });
    }
    void Reply(int command, const std::string& reply) {
        std::lock_guard<std::mutex> g(mutex_);
        replies_[command] = reply;
    }
    // The requests so far, without their NUL, leaving out the readiness probes.
    std::vector<std::string> Requests() const {
        std::vector<std::string> out;
        for (std::string r : server_->Requests()) {
            if (!r.empty() && r.back() == '\0') r.pop_back();
            if (r != "9 ") out.push_back(r);
        }
        return out;
    }

    hvinit::HvinitSlot& Slot(int i, const std::string& command, int pid, int group, char state,
                             const char* instance = "X") {
        hvinit::HvinitSlot& s = table_->slots[i];
        s.inUse = 1;
        std::strcpy(s.command, command.c_str());
        s.pid = pid;
        s.groupNumber = group;
        std::strcpy(s.instanceName, instance);
        s.pollTime = 5;
        s.restartCount = 3;
        s.restartInterval = 10;
        s.restartTimeUnit = 30;
        std::strcpy(s.fileName, "X");
        s.state = state;
        --table_->header.freeSlots;
        return s;
    }

    hvtest::TempSystemDir sys_;
    std::string program_;
    std::string command_;
    hvinit::HvinitTable* table_ = nullptr;
    std::unique_ptr<hvtest::FakeHvinitServer> server_;
    std::mutex mutex_;
    std::map<int, std::string> replies_;
};

// Whether the tool reported message `id` with `text` (pxm_err on stderr).
inline ::testing::AssertionResult Reported(const ToolResult& r, int id, const std::string& text) {
    const std::string wanted = "(No. " + std::to_string(id) + ") " + text;
    if (r.err.find(wanted) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "no report \"" << wanted << "\" in:\n" << r.err;
}

}  // namespace hvtoolstest
