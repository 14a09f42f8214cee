#include "engine/core/BackgroundJob.h"

#include <system_error>

namespace zalvert::engine {

TBackgroundJob::~TBackgroundJob() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void TBackgroundJob::Start(std::function<void()> job) {
    started_ = true;
    if (!thread_.joinable()) {
        try {
            thread_ = std::thread(&TBackgroundJob::Loop, this);
        } catch (const std::system_error&) {
            try {
                job();
            } catch (...) {
                error_ = std::current_exception();
            }
            return;
        }
    }
    {
        std::lock_guard lock(mutex_);
        job_ = std::move(job);
        running_ = true;
    }
    changed_.notify_all();
}

bool TBackgroundJob::Running() {
    std::lock_guard lock(mutex_);
    return running_;
}

void TBackgroundJob::Wait() {
    if (!started_) return;
    started_ = false;
    std::exception_ptr error;
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return !running_; });
        std::swap(error, error_);
    }
    if (error) std::rethrow_exception(error);
}

void TBackgroundJob::Loop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return job_ != nullptr || stopping_; });
        if (!job_) return;
        const std::function<void()> job = std::move(job_);
        job_ = nullptr;
        lock.unlock();
        std::exception_ptr error;
        try {
            job();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        error_ = error;
        running_ = false;
        changed_.notify_all();
    }
}

}  // namespace zalvert::engine
