#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

// Runs operations on worker threads, at most maxConcurrentOperationCount at once.
//
// Our own rather than QThreadPool with a counter, which would save about 50 lines: the threaded
// tests run under ThreadSanitizer, and Debian's Qt 6.4 hands a runnable to its thread through
// QMutex's futexes, which ThreadSanitizer cannot see. 200 lambdas handed to a QThreadPool of 4,
// each reading a string made by the caller, gave 10 false data-race reports (g++ 12
// -fsanitize=thread, 8 Dec 2026); std::mutex and std::thread here give none.
//
// An operation is a body and an optional completion handler; the handler runs on the same worker
// right after the body. An operation counts in operationCount() from the moment it is added until
// its completion handler has returned. The destructor waits for every added operation.
class OperationQueue {
public:
    using Body = std::function<void()>;

    explicit OperationQueue(int maxConcurrentOperationCount);
    ~OperationQueue();
    OperationQueue(const OperationQueue &) = delete;
    OperationQueue &operator=(const OperationQueue &) = delete;

    void addOperation(Body body, Body completion = {});

    // Waiting plus running operations.
    int operationCount() const;
    int maxConcurrentOperationCount() const { return maxConcurrent_; }

    void waitUntilAllOperationsAreFinished();

    // Drops every waiting operation, completion and all, and asks the running ones to stop
    // through stopToken(). For good: operations added later are dropped too.
    void cancelAllOperations();
    // Set once the queue is cancelled; running bodies look at it to give up early.
    std::stop_token stopToken() const { return stop_.get_token(); }

    // Runs `handler` on a worker each time the last operation has left the count and none waits.
    void setEmptiedHandler(Body handler);

private:
    struct Operation {
        Body body;
        Body completion;
    };

    void work();

    const int maxConcurrent_;
    std::stop_source stop_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable finished_;
    std::deque<Operation> waiting_;
    Body emptied_;
    std::vector<std::thread> workers_;
    int idleWorkers_ = 0;
    int running_ = 0;
    bool stopping_ = false;
};
