#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

// One thread that runs jobs in order: the engines' libraries are not re-entrant, so each engine
// does all its work on one such thread.
class SynthesisThread {
  public:
    SynthesisThread();
    // Runs the jobs still queued, then ends the thread.
    ~SynthesisThread();
    SynthesisThread(const SynthesisThread&) = delete;
    SynthesisThread& operator=(const SynthesisThread&) = delete;

    void Post(std::function<void()> job);
    // Runs `job` on the thread and waits for it.
    void Run(const std::function<void()>& job);

  private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<std::function<void()>> jobs_;
    bool stop_ = false;
    std::thread thread_;
};
