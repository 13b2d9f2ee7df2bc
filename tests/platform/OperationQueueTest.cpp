#include "core/platform/OperationQueue.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

using namespace std::chrono_literals;

namespace {

// Counts that the operations and the test share, and a wait for a state of them.
struct Board {
    std::mutex mutex;
    std::condition_variable_any changed;
    int started = 0, running = 0, mostAtOnce = 0, released = 0;

    void update(const std::function<void(Board &)> &change) {
        const std::lock_guard lock(mutex);
        change(*this);
        changed.notify_all();
    }
    // Whether `holds` came true within 30 s.
    bool waitUntil(const std::function<bool(const Board &)> &holds) {
        std::unique_lock lock(mutex);
        return changed.wait_for(lock, 30s, [&] { return holds(*this); });
    }
};

} // namespace

TEST(OperationQueue, NeverRunsMoreThanItsWidthAndCountsWaitingAndRunningOperations) {
    OperationQueue queue(4);
    Board board;
    for (int i = 0; i < 20; ++i) {
        queue.addOperation([&, i] {
            std::unique_lock lock(board.mutex);
            // In the order queued: the copies of one name wait on the earlier ones for this.
            EXPECT_LT(i, board.released + 4) << "started before earlier ones";
            const int ticket = board.started++;
            board.mostAtOnce = std::max(board.mostAtOnce, ++board.running);
            board.changed.notify_all();
            // Held until the test lets it go, in the order they started.
            board.changed.wait_for(lock, 30s, [&] { return board.released > ticket; });
            --board.running;
            board.changed.notify_all();
        });
    }
    EXPECT_EQ(queue.operationCount(), 20); // none ends before the test lets it go
    // Let go one at a time: each time exactly one more starts, never a fifth beside four.
    for (int out = 0; out < 20; ++out) {
        SCOPED_TRACE(out);
        ASSERT_TRUE(board.waitUntil([&](const Board &b) {
            return b.started == std::min(20, out + 4) && b.running == std::min(4, 20 - out);
        }));
        board.update([](Board &b) { ++b.released; });
    }
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(board.mostAtOnce, 4);
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
    Board board;
    std::atomic<int> completed{0}, stopped{0};
    const auto start = [&] { board.update([](Board &b) { ++b.started; }); };
    {
        OperationQueue queue(2);
        for (int i = 0; i < 10; ++i) {
            queue.addOperation(
                [&] {
                    start();
                    // Held until the queue asks it to stop.
                    std::unique_lock lock(board.mutex);
                    board.changed.wait_for(lock, queue.stopToken(), 30s, [] { return false; });
                    stopped += queue.stopToken().stop_requested();
                },
                [&] { ++completed; });
        }
        ASSERT_TRUE(board.waitUntil([](const Board &b) { return b.started == 2; }));
        queue.cancelAllOperations();
        queue.addOperation(start); // after the cancel: dropped too
    }                              // destruction waits for the running ones
    EXPECT_EQ(board.started, 2);
    EXPECT_EQ(stopped, 2);
    EXPECT_EQ(completed, 2);
}
