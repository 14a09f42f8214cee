#pragma once
// One job at a time on a thread of its own, so that the caller can prepare the
// next one meanwhile. The thread starts with the first job and ends with the object.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace zalvert::engine {

class TBackgroundJob {
  public:
    TBackgroundJob() = default;
    // Lets a started job end first.
    ~TBackgroundJob();
    TBackgroundJob(const TBackgroundJob&) = delete;
    TBackgroundJob& operator=(const TBackgroundJob&) = delete;

    // Starts `job`; the job before must have been waited for. Where no thread can
    // be started, the job runs here and now.
    void Start(std::function<void()> job);
    // From `Start` until `Wait`.
    bool Started() const { return started_; }
    // Started and not yet ended.
    bool Running();
    // Waits until the started job has ended and throws what it threw.
    void Wait();

  private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> job_;  // handed to the thread, not yet taken
    bool running_ = false;       // handed and not yet ended
    bool stopping_ = false;
    std::exception_ptr error_;
    bool started_ = false;
    std::thread thread_;
};

}  // namespace zalvert::engine
