// The database thread of the manager's database link: every call into the
// database (the stored paths at start, comm-up, comm-down, manager
// available) runs here, one at a time, in the order it was posted, so the
// manager's loop thread never takes the database lock nor waits for a
// script. Its broadcasts go over this thread's own connection to the
// manager, served by the loop like any client's.
//
// Not a framework class: plain jobs on a plain thread. A stop runs the jobs
// queued before it and the thread is always joined: it may hold the
// database lock, and a process must never end under a change.
#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class MxrCfgstoreWorker {
public:
    using Job = std::function<void()>;

    // Starts the thread.
    MxrCfgstoreWorker();
    // Stops and joins the thread (after the queued jobs).
    ~MxrCfgstoreWorker();
    MxrCfgstoreWorker(const MxrCfgstoreWorker&) = delete;
    MxrCfgstoreWorker& operator=(const MxrCfgstoreWorker&) = delete;

    // Any thread: queues job behind the others. Ignored once stopped.
    void Post(Job job);
    // No more jobs: the queued ones still run, then the thread ends.
    void Stop();
    // True once the thread has left its loop (after Stop).
    bool Ended() const;
    // Jobs finished so far.
    long JobsDone() const;

private:
    struct State {
        std::mutex mu;
        std::condition_variable wake;
        std::deque<Job> jobs;  // guarded by mu
        bool stop = false;     // guarded by mu
        std::atomic<bool> ended{false};
        std::atomic<long> done{0};
    };
    static void Loop(std::shared_ptr<State> state);

    std::shared_ptr<State> state_;
    std::thread thread_;
};
