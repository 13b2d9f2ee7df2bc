#include "core/platform/MainQueue.h"

#include <QCoreApplication>
#include <QDialog>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include "Fixture.h"

#include <atomic>
#include <thread>
#include <vector>

TEST(MainQueue, RunsBlocksFromManyThreadsOnTheMainThreadOneAtATimeInPostingOrder) {
    MainQueue queue(MainQueue::Delivery::EventLoop);
    constexpr int threads = 4, perThread = 500;
    std::vector<std::vector<int>> seen(threads);
    std::atomic<int> ran{0};
    bool running = false, overlapped = false, offMainThread = false;
    std::vector<std::thread> posters;
    for (int t = 0; t < threads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < perThread; ++i) {
                queue.post([&, t, i] {
                    overlapped |= std::exchange(running, true);
                    offMainThread |= QThread::currentThread() != qApp->thread();
                    seen[t].push_back(i);
                    running = false;
                    ++ran;
                });
            }
        });
    }
    for (std::thread &poster : posters)
        poster.join();
    ASSERT_TRUE(waitFor([&] { return ran == threads * perThread; }));
    EXPECT_FALSE(overlapped || offMainThread);
    for (const std::vector<int> &order : seen) {
        EXPECT_EQ(order.size(), std::size_t(perThread));
        EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    }
}

TEST(MainQueue, ABlockInAModalDialogHoldsTheQueueUntilItReturns) {
    MainQueue queue(MainQueue::Delivery::EventLoop);
    std::vector<QString> events;

    queue.post([&] {
        events.push_back(QStringLiteral("dialog shown"));
        QDialog dialog;
        // While the dialog's nested event loop runs, a later block is posted and must wait; the
        // loop goes on, and the dialog closes, after the queue's chance to run it.
        QTimer::singleShot(0, &dialog, [&] {
            queue.post([&] { events.push_back(QStringLiteral("later block")); });
            QMetaObject::invokeMethod(&dialog, &QDialog::accept, Qt::QueuedConnection);
        });
        dialog.exec();
        events.push_back(QStringLiteral("dialog dismissed"));
    });
    ASSERT_TRUE(waitFor([&] { return events.size() == 3; }));

    EXPECT_EQ(events, (std::vector<QString>{QStringLiteral("dialog shown"),
                                            QStringLiteral("dialog dismissed"),
                                            QStringLiteral("later block")}));
    EXPECT_EQ(queue.waitingCount(), 0u);
}
