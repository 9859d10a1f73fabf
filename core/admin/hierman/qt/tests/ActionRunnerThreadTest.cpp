// The console's worker runner: the job on its own thread while the GUI
// thread's loop serves calls and timers, the busy flag around it, and the
// two ways a worker cannot be run.
#include "QtActionRunner.h"
#include "QtTestApp.h"

#include "FakeMessageBoxes.h"

#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <thread>

namespace hierman {
namespace {

using namespace std::chrono_literals;

struct Recorder {
    panelaid::FakeMessageBoxes boxes;
    std::vector<bool> busy;
    int updates = 0;
    QtActionRunner::Hooks Hooks() {
        return {boxes, [this](bool b) { busy.push_back(b); }, [this] { ++updates; }};
    }
};

TEST(ActionRunner, TheJobRunsOnAWorkerWhileTheLoopServesTheConsole) {
    panelaid::TestApp();
    Recorder r;
    QtActionRunner runner(r.Hooks());
    QObject gui;
    std::atomic<bool> timerFired{false};
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { timerFired = true; });
    timer.start(1);
    const std::thread::id main = std::this_thread::get_id();
    std::thread::id worker;
    bool busyDuringJob = false;
    bool cursorDuringJob = false;
    const int result = runner.Run([&] {
        worker = std::this_thread::get_id();
        // A call the worker sends to the GUI thread (as a kit's dialog or a
        // question does) is served by the runner's loop.
        QMetaObject::invokeMethod(
            &gui,
            [&] {
                busyDuringJob = runner.Running() && r.busy == std::vector<bool>{true};
                cursorDuringJob = QApplication::overrideCursor() != nullptr;
            },
            Qt::BlockingQueuedConnection);
        // So is a timer of another window.
        const auto deadline = std::chrono::steady_clock::now() + 10s;
        while (!timerFired && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
        return 7;
    });
    EXPECT_EQ(result, 7);
    EXPECT_NE(worker, main);
    EXPECT_TRUE(busyDuringJob);
    EXPECT_TRUE(cursorDuringJob);
    EXPECT_TRUE(timerFired);
    EXPECT_EQ(r.busy, (std::vector<bool>{true, false}));
    EXPECT_EQ(r.updates, 2);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_FALSE(runner.Running());
    EXPECT_TRUE(r.boxes.Shown().empty());
}

// A thread that cannot start, or one held back until a gate opens.
class TroubledRunner : public QtActionRunner {
public:
    TroubledRunner(Hooks hooks, bool startFails) : QtActionRunner(std::move(hooks), 50), startFails_(startFails) {}
    ~TroubledRunner() override {
        if (held_.joinable()) held_.join();
    }
    void OpenGate() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            open_ = true;
        }
        cv_.notify_all();
    }
    std::promise<void> bodyReturned;

protected:
    int StartThread(std::function<void()> body, std::thread* out) override {
        if (startFails_) return EAGAIN;
        held_ = std::thread([this, body] {
            std::unique_lock<std::mutex> lock(mutex_);
            cv_.wait(lock, [this] { return open_; });
            lock.unlock();
            body();
            bodyReturned.set_value();
        });
        *out = std::thread([] {});
        return 0;
    }

private:
    bool startFails_;
    std::thread held_;
    std::mutex mutex_;
    std::condition_variable cv_;
    bool open_ = false;
};

TEST(ActionRunner, AWorkerThatCannotStartOrIsNotReadyEndsTheActionWith99) {
    panelaid::TestApp();
    struct Case {
        bool startFails;
        std::string message;
    } cases[] = {
        {true, "Could not start the worker thread!\nAborting action.\n\nError " + std::to_string(EAGAIN)},
        {false, "Worker thread failed to initialize in the specified time-out period!\nAborting action.\n\n"
                "Win32 error " + std::to_string(ETIMEDOUT)},
    };
    for (const Case& c : cases) {
        Recorder r;
        TroubledRunner runner(r.Hooks(), c.startFails);
        std::atomic<int> ran{0};
        EXPECT_EQ(runner.Run([&] { return ++ran; }), kWorkerFailed);
        ASSERT_EQ(r.boxes.Shown().size(), 1u);
        EXPECT_EQ(r.boxes.Shown()[0].text, c.message);
        EXPECT_EQ(r.busy, (std::vector<bool>{true, false}));
        EXPECT_FALSE(runner.Running());
        if (!c.startFails) {
            // Let the late worker run: it sees the cancel and leaves the job alone.
            runner.OpenGate();
            ASSERT_EQ(runner.bodyReturned.get_future().wait_for(30s), std::future_status::ready);
        }
        EXPECT_EQ(ran, 0);
    }
}

}  // namespace
}  // namespace hierman
