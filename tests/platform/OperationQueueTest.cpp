#include "core/platform/OperationQueue.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

using namespace std::chrono_literals;

TEST(OperationQueue, NeverRunsMoreThanItsWidthAndCountsWaitingAndRunningOperations) {
    OperationQueue queue(4);
    std::promise<void> gate;
    const std::shared_future<void> opened = gate.get_future().share();
    std::atomic<int> running{0}, mostAtOnce{0}, finished{0};
    for (int i = 0; i < 20; ++i) {
        queue.addOperation([&] {
            const int now = ++running;
            for (int most = mostAtOnce; now > most;)
                mostAtOnce.compare_exchange_weak(most, now);
            opened.wait();
            --running;
            ++finished;
        });
    }
    while (running < 4)
        std::this_thread::sleep_for(1ms);
    std::this_thread::sleep_for(50ms); // room for a fifth to start, were the width not kept
    EXPECT_EQ(running, 4);
    EXPECT_EQ(queue.operationCount(), 20);

    gate.set_value();
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(finished, 20);
    EXPECT_EQ(mostAtOnce, 4);
    EXPECT_EQ(queue.operationCount(), 0);
}

TEST(OperationQueue, CompletionRunsOnTheWorkerAfterTheBodyWhileTheOperationStillCounts) {
    OperationQueue queue(4);
    std::atomic<bool> bodyDone{false}, afterBody{false}, onWorker{false};
    std::atomic<int> countInCompletion{-1};
    std::thread::id bodyThread;
    queue.addOperation(
        [&] {
            bodyThread = std::this_thread::get_id();
            std::this_thread::sleep_for(10ms);
            bodyDone = true;
        },
        [&] {
            afterBody = bodyDone.load();
            onWorker = QThread::currentThread() != qApp->thread() &&
                       std::this_thread::get_id() == bodyThread;
            countInCompletion = queue.operationCount();
        });
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_TRUE(afterBody && onWorker);
    EXPECT_EQ(countInCompletion, 1);
    EXPECT_EQ(queue.operationCount(), 0);
}

TEST(OperationQueue, CancellingDropsWhatWaitsAndTellsTheRunningOnesToStop) {
    std::atomic<int> started{0}, completed{0}, stopped{0};
    {
        OperationQueue queue(2);
        for (int i = 0; i < 10; ++i) {
            queue.addOperation(
                [&] {
                    ++started;
                    while (!queue.stopToken().stop_requested())
                        std::this_thread::sleep_for(1ms);
                    ++stopped;
                },
                [&] { ++completed; });
        }
        while (started < 2)
            std::this_thread::sleep_for(1ms);
        queue.cancelAllOperations();
        queue.addOperation([&] { ++started; }); // after the cancel: dropped too
    }                                           // destruction waits for the running ones
    EXPECT_EQ(started, 2);
    EXPECT_EQ(stopped, 2);
    EXPECT_EQ(completed, 2);
}
