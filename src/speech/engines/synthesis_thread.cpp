#include "speech/engines/synthesis_thread.h"

#include <future>

SynthesisThread::SynthesisThread() : thread_([this] { Loop(); }) {}

SynthesisThread::~SynthesisThread() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void SynthesisThread::Post(std::function<void()> job) {
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(std::move(job));
    }
    changed_.notify_all();
}

void SynthesisThread::Run(const std::function<void()>& job) {
    std::promise<void> done;
    Post([&] {
        job();
        done.set_value();
    });
    done.get_future().wait();
}

void SynthesisThread::Loop() {
    while (true) {
        std::function<void()> job;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stop_ || !jobs_.empty(); });
            if (jobs_.empty()) {
                return;
            }
            job = std::move(jobs_.front());
            jobs_.pop_front();
        }
        job();
    }
}
