#include "MxrCfgstoreWorker.h"

MxrCfgstoreWorker::MxrCfgstoreWorker() : state_(std::make_shared<State>()), thread_(&MxrCfgstoreWorker::Loop, state_) {}

MxrCfgstoreWorker::~MxrCfgstoreWorker() {
    Stop();
    if (!thread_.joinable()) return;
    if (Ended())
        thread_.join();
    else
        thread_.detach();  // inside a call that waits; it holds its own state
}

void MxrCfgstoreWorker::Post(Job job) {
    {
        std::lock_guard<std::mutex> lock(state_->mu);
        if (state_->stop) return;
        state_->jobs.push_back(std::move(job));
    }
    state_->wake.notify_one();
}

void MxrCfgstoreWorker::Stop() {
    std::deque<Job> dropped;
    {
        std::lock_guard<std::mutex> lock(state_->mu);
        state_->stop = true;
        dropped.swap(state_->jobs);
    }
    state_->wake.notify_one();
}

bool MxrCfgstoreWorker::Ended() const { return state_->ended.load(); }

long MxrCfgstoreWorker::JobsDone() const { return state_->done.load(); }

void MxrCfgstoreWorker::Loop(std::shared_ptr<State> state) {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(state->mu);
            state->wake.wait(lock, [&] { return state->stop || !state->jobs.empty(); });
            if (state->stop) break;
            job = std::move(state->jobs.front());
            state->jobs.pop_front();
        }
        job();
        job = nullptr;  // what it captured goes on this thread
        state->done.fetch_add(1);
    }
    state->ended.store(true);
}
