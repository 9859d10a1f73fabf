#include "MxrCfgstoreWorker.h"

MxrCfgstoreWorker::MxrCfgstoreWorker() : state_(std::make_shared<State>()), thread_(&MxrCfgstoreWorker::Loop, state_) {}

MxrCfgstoreWorker::~MxrCfgstoreWorker() {
    Stop();
    // Never left running: it may hold the database lock.
    if (thread_.joinable()) thread_.join();
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
    {
        std::lock_guard<std::mutex> lock(state_->mu);
        state_->stop = true;
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
            // A stop still runs what was queued before it: a path's loss
            // that is dropped would never be recorded.
            if (state->jobs.empty()) break;
            job = std::move(state->jobs.front());
            state->jobs.pop_front();
        }
        job();
        job = nullptr;  // what it captured goes on this thread
        state->done.fetch_add(1);
    }
    state->ended.store(true);
}
