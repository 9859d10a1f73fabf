#include "QtActionRunner.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>

namespace hierman {

namespace {

// Shared by the GUI thread and the worker; outlives whichever ends last.
struct Readiness {
    std::mutex mutex;
    std::condition_variable cv;
    bool ready = false;
    bool cancelled = false;
};

}  // namespace

int QtActionRunner::StartThread(std::function<void()> body, std::thread* out) {
    try {
        *out = std::thread(std::move(body));
    } catch (const std::system_error& e) {
        return e.code().value() != 0 ? e.code().value() : EAGAIN;
    }
    return 0;
}

void QtActionRunner::Say(const std::string& text) {
    panelaid::BoxRequest box;
    box.text = text;
    box.icon = panelaid::BoxIcon::Error;
    hooks_.boxes.Ask(box);
}

void QtActionRunner::SetBusy(bool busy) {
    if (hooks_.setBusy) hooks_.setBusy(busy);
    if (hooks_.updateCommandStates) hooks_.updateCommandStates();
}

int QtActionRunner::Run(const ActionJobFn& job) {
    if (running_) return kWorkerFailed;
    running_ = true;
    SetBusy(true);
    auto readiness = std::make_shared<Readiness>();
    QEventLoop loop;
    int result = kWorkerFailed;
    std::atomic<bool> done{false};
    // The body touches the job, the result and the loop only once the GUI
    // thread has seen it ready; a cancelled body returns without them.
    auto body = [readiness, &job, &result, &loop, &done] {
        {
            std::lock_guard<std::mutex> lock(readiness->mutex);
            if (readiness->cancelled) return;
            readiness->ready = true;
        }
        readiness->cv.notify_all();
        result = job();
        done.store(true);
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    };
    std::thread worker;
    if (const int error = StartThread(body, &worker); error != 0) {
        Say("Could not start the worker thread!\nAborting action.\n\nError " + std::to_string(error));
        running_ = false;
        SetBusy(false);
        return kWorkerFailed;
    }
    bool ready = false;
    {
        std::unique_lock<std::mutex> lock(readiness->mutex);
        ready = readiness->cv.wait_for(lock, std::chrono::milliseconds(readyTimeoutMs_),
                                       [&readiness] { return readiness->ready; });
        if (!ready) readiness->cancelled = true;
    }
    if (!ready) {
        // The body sees the cancel whenever it runs and leaves at once.
        worker.detach();
        Say("Worker thread failed to initialize in the specified time-out period!\nAborting action.\n\nWin32 error " +
            std::to_string(ETIMEDOUT));
        running_ = false;
        SetBusy(false);
        return kWorkerFailed;
    }
    QApplication::setOverrideCursor(QCursor(Qt::BusyCursor));
    // An exit of every loop (the application quitting) does not leave the
    // worker behind: the job's data lives in this frame.
    while (!done.load()) loop.exec();
    worker.join();
    QApplication::restoreOverrideCursor();
    running_ = false;
    SetBusy(false);
    return result;
}

}  // namespace hierman
