#include "engine/StatementWorker.h"

namespace zalvert::engine {

TStatementWorker::~TStatementWorker() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void TStatementWorker::Run(TStatement& statement, std::vector<Variant> values) {
    Wait();
    {
        std::lock_guard lock(mutex_);
        statement_ = &statement;
        values_ = std::move(values);
    }
    if (!thread_.joinable()) thread_ = std::thread([this] { Work(); });
    changed_.notify_all();
}

void TStatementWorker::Wait() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return statement_ == nullptr; });
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
}

void TStatementWorker::Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return stop_ || statement_ != nullptr; });
        if (stop_) return;
        TStatement& statement = *statement_;
        std::vector<Variant> values = std::move(values_);
        lock.unlock();
        std::exception_ptr failure;
        try {
            for (size_t i = 0; i < values.size(); ++i)
                statement.Bind(static_cast<int>(i + 1), values[i]);
            statement.Step();
            statement.Reset();
        } catch (...) {
            statement.Reset();
            failure = std::current_exception();
        }
        values.clear();
        lock.lock();
        failure_ = failure;
        statement_ = nullptr;
        changed_.notify_all();
    }
}

}  // namespace zalvert::engine
