// Starting and stopping a real cluster service through the stand-ins, behind
// the progress box, offscreen; the failures' messages; the service test on a
// real service.
#include "FakeConsoleDatabase.h"
#include "FakeMessageBoxes.h"
#include "PipeServiceControl.h"
#include "QtProgressBox.h"
#include "QtTestApp.h"
#include "QtWaitPump.h"
#include "ServiceCodes.h"
#include "ServiceControlClient.h"
#include "ServiceStartStop.h"
#include "ServiceTest.h"
#include "TempSystemDir.h"

#include "RegHV.h"
#include "platform/ComputerName.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace panelaid {
namespace {

namespace fs = std::filesystem;

bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 20000) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::uint32_t ServiceState() {
    std::uint32_t state = 0;
    return hvsvc::ServiceControlClient::Send(hvsvc::kControlInterrogate, &state, nullptr, 2000, 0) == 0
               ? state
               : static_cast<std::uint32_t>(hvsvc::kStateStopped);
}

class ServiceStartStopTest : public ::testing::Test {
protected:
    void SetUp() override {
        TestApp();
        root_ = sys_.Path() + "/root";
        fs::create_directories(root_ + "/bin");
        fs::create_directories(root_ + "/tmp");
        ASSERT_EQ(portlib::RegHVSetStr("General", "RootDir", root_.c_str(), portlib::HV_REG_SZ), 0);
        ASSERT_EQ(portlib::platform::ComputerName::Set("TESTHOST"), 0);
        db_.SetRootDir(root_);
    }
    void TearDown() override {
        if (ServiceState() != hvsvc::kStateStopped) {
            std::uint32_t state = 0;
            pid_t pid = 0;
            if (hvsvc::ServiceControlClient::Send(hvsvc::kControlStop, &state, &pid, 10000, 0) == 0 && pid > 0)
                hvsvc::ServiceControlClient::WaitForExit(pid, 20000);
        }
    }
    void InstallStandins() {
        for (const char* p : {"hvstart.exe", "hvstop.exe"})
            fs::create_symlink(std::string(HV_STANDIN_DIR) + "/" + p, root_ + "/bin/" + p);
        fs::create_symlink(HV_HVSVCCTL_BIN, root_ + "/bin/hvsvcctl");
    }
    void Script(const char* name, const std::string& body) {
        const std::string path = root_ + "/bin/" + name;
        std::ofstream(path) << "#!/bin/sh\n" << body;
        fs::permissions(path, fs::perms::owner_all);
    }
    std::string Log() {
        std::ifstream in(root_ + "/tmp/standins.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    hvtest::TempSystemDir sys_;
    std::string root_;
    FakeConsoleDatabase db_;
    FakeMessageBoxes boxes_;
    QtWaitPump pump_;
    ServiceStartStop run_{db_, boxes_, pump_};
};

TEST_F(ServiceStartStopTest, StartsAndStopsARealServiceThroughTheStandins) {
    InstallStandins();
    QWidget owner;
    owner.resize(400, 300);
    owner.show();
    {
        QtProgressBox box(&owner);
        EXPECT_EQ(run_.Run(true, box), 1);
        EXPECT_FALSE(box.isVisible());
    }
    EXPECT_EQ(ServiceState(), static_cast<std::uint32_t>(hvsvc::kStateRunning));
    EXPECT_NE(Log().find("hvstart.exe"), std::string::npos);
    {
        QtProgressBox box(&owner);
        EXPECT_EQ(run_.Run(false, box), 1);
    }
    EXPECT_EQ(ServiceState(), static_cast<std::uint32_t>(hvsvc::kStateStopped));
    EXPECT_TRUE(boxes_.Shown().empty());
    // The service ran hvstop.exe after its own stop too: that call only logs.
    EXPECT_TRUE(WaitUntil([&] {
        const std::string log = Log();
        return log.find("hvstop.exe") != log.rfind("hvstop.exe");
    }));
}

TEST_F(ServiceStartStopTest, FailuresShowTheirExactTexts) {
    struct Case {
        bool start;
        const char* body;  // null: no program at all
        const char* text;
        BoxIcon icon;
    };
    const Case cases[] = {
        {false, "exit 2\n", "Failed To stop Holdervane.\nOpen Event Viewer tool for detailed error messages.",
         BoxIcon::Error},
        {true, "kill -9 $$\n", "Failed To start Holdervane.\nOpen Event Viewer tool for detailed error messages.",
         BoxIcon::Error},
        {true, nullptr, "Failed To create process to start Holdervane.", BoxIcon::None},
        {false, nullptr, "Failed To create process to stop Holdervane.", BoxIcon::None},
    };
    for (const Case& c : cases) {
        const char* name = c.start ? "hvstart.exe" : "hvstop.exe";
        fs::remove(root_ + "/bin/" + name);
        if (c.body != nullptr) Script(name, c.body);
        const std::size_t before = boxes_.Shown().size();
        QtProgressBox box(nullptr);
        EXPECT_EQ(run_.Run(c.start, box), 0);
        ASSERT_EQ(boxes_.Shown().size(), before + 1);
        EXPECT_EQ(boxes_.Shown().back().text, c.text);
        EXPECT_EQ(boxes_.Shown().back().icon, c.icon);
    }
}

TEST_F(ServiceStartStopTest, APausedRealServiceIsUpAndAProgramNamedQdbIsTheDaemon) {
    InstallStandins();
    QtProgressBox box(nullptr);
    ASSERT_EQ(run_.Run(true, box), 1);
    std::uint32_t state = 0;
    ASSERT_EQ(hvsvc::ServiceControlClient::Send(hvsvc::kControlPause, &state, nullptr), 0);
    EXPECT_EQ(state, static_cast<std::uint32_t>(hvsvc::kStatePaused));
    // The daemon: the probe program under the name qdb.
    const std::string qdb = sys_.Path() + "/qdb";
    fs::copy_file(HV_PROBE_BIN, qdb);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::execl(qdb.c_str(), "qdb", "stay", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    PipeServiceControl control;
    ServiceTest test(control);
    EXPECT_TRUE(WaitUntil([&] { return test.Test() == 1; }));
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    // Confirmed once: no more looking while the service stays up.
    EXPECT_EQ(test.Test(), 1);
    ASSERT_EQ(run_.Run(false, box), 1);
    EXPECT_EQ(test.Test(), 0);
}

}  // namespace
}  // namespace panelaid
