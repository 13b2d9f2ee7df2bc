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
    std::atomic<int> running{0};
    std::atomic<int> mostAtOnce{0};
    std::atomic<int> finished{0};

    for (int i = 0; i < 20; ++i) {
        queue.addOperation([&] {
            const int now = ++running;
            int most = mostAtOnce;
            while (now > most && !mostAtOnce.compare_exchange_weak(most, now)) {
            }
            opened.wait();
            std::this_thread::sleep_for(2ms);
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
    std::atomic<bool> bodyDone{false};
    std::atomic<bool> completionAfterBody{false};
    std::atomic<bool> completionOnWorker{false};
    std::atomic<int> countInCompletion{-1};
    std::thread::id bodyThread;

    queue.addOperation(
        [&] {
            bodyThread = std::this_thread::get_id();
            std::this_thread::sleep_for(10ms);
            bodyDone = true;
        },
        [&] {
            completionAfterBody = bodyDone.load();
            completionOnWorker = QThread::currentThread() != qApp->thread() &&
                                 std::this_thread::get_id() == bodyThread;
            countInCompletion = queue.operationCount();
        });
    queue.waitUntilAllOperationsAreFinished();

    EXPECT_TRUE(completionAfterBody);
    EXPECT_TRUE(completionOnWorker);
    EXPECT_EQ(countInCompletion, 1);
    EXPECT_EQ(queue.operationCount(), 0);
}

TEST(OperationQueue, DestructionWaitsForEveryOperation) {
    std::atomic<int> finished{0};
    {
        OperationQueue queue(2);
        for (int i = 0; i < 6; ++i)
            queue.addOperation([&] {
                std::this_thread::sleep_for(5ms);
                ++finished;
            });
    }
    EXPECT_EQ(finished, 6);
}
