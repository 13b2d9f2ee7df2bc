#include "core/platform/OperationQueue.h"

#include <algorithm>

OperationQueue::OperationQueue(int maxConcurrentOperationCount)
    : maxConcurrent_(std::max(1, maxConcurrentOperationCount)) {}

OperationQueue::~OperationQueue() {
    waitUntilAllOperationsAreFinished();
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread &worker : workers_)
        worker.join();
}

void OperationQueue::addOperation(Body body, Body completion) {
    std::lock_guard lock(mutex_);
    if (stop_.stop_requested())
        return;
    waiting_.push_back({std::move(body), std::move(completion)});
    // Workers are started lazily, one per operation that no idle worker can take.
    if (idleWorkers_ < static_cast<int>(waiting_.size()) &&
        static_cast<int>(workers_.size()) < maxConcurrent_)
        workers_.emplace_back([this] { work(); });
    else
        wake_.notify_one();
}

int OperationQueue::operationCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(waiting_.size()) + running_;
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [this] { return waiting_.empty() && running_ == 0; });
}

void OperationQueue::cancelAllOperations() {
    std::deque<Operation> dropped;
    {
        std::lock_guard lock(mutex_);
        stop_.request_stop();
        dropped.swap(waiting_);
        if (running_ == 0)
            finished_.notify_all();
    }
    // What the dropped blocks captured is released here, outside the lock.
}

void OperationQueue::setEmptiedHandler(Body handler) {
    std::lock_guard lock(mutex_);
    emptied_ = std::move(handler);
}

void OperationQueue::work() {
    std::unique_lock lock(mutex_);
    for (;;) {
        ++idleWorkers_;
        wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
        --idleWorkers_;
        if (waiting_.empty())
            return; // stopping
        Operation operation = std::move(waiting_.front());
        waiting_.pop_front();
        ++running_;
        lock.unlock();
        operation.body();
        if (operation.completion)
            operation.completion();
        operation = {}; // release what the blocks captured before the count drops
        lock.lock();
        --running_;
        if (waiting_.empty() && running_ == 0) {
            finished_.notify_all();
            if (emptied_) {
                const Body emptied = emptied_;
                lock.unlock();
                emptied();
                lock.lock();
            }
        }
    }
}
