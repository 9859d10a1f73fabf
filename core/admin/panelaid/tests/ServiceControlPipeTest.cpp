// The service test against a control pipe that misbehaves: silence and
// refusal both count as "down", and neither holds the caller long.
#include "PipeServiceControl.h"
#include "ServiceCodes.h"
#include "ServiceTest.h"
#include "TempSystemDir.h"

#include "platform/NamedPipeListener.h"
#include "platform/NamedPipeMode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace panelaid {
namespace {

namespace pp = portlib::platform;

TEST(ServiceControlPipeTest, ASilentOrRefusingPipeIsDownWithinTheReplyTime) {
    hvtest::TempSystemDir sys;
    PipeServiceControl control;
    ServiceTest test(control);
    EXPECT_EQ(test.Test(), 0);  // no pipe at all

    pp::NamedPipeListener listener;
    ASSERT_EQ(listener.Create(hvsvc::kControlPipeName), 0);
    // Silent: the connection is taken and never answered.
    std::atomic<bool> stop{false};
    std::atomic<int> accepted{0};
    std::thread server([&] {
        std::vector<int> held;
        while (!stop) {
            int fd = -1;
            if (listener.Accept(&fd, 50) == 0) {
                held.push_back(fd);
                ++accepted;
            }
        }
        for (int fd : held) pp::PipeClose(fd);
    });
    // The reply time ends the wait: the call returns.
    EXPECT_EQ(test.Test(), 0);
    EXPECT_EQ(accepted.load(), 1);
    stop = true;
    server.join();

    // Refusing: every connection is closed at once.
    stop = false;
    std::thread refuser([&] {
        while (!stop) {
            int fd = -1;
            if (listener.Accept(&fd, 50) == 0) pp::PipeClose(fd);
        }
    });
    EXPECT_EQ(test.Test(), 0);
    stop = true;
    refuser.join();
}

}  // namespace
}  // namespace panelaid
