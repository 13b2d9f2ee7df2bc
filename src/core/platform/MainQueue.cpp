#include "core/platform/MainQueue.h"

#include <QThread>

MainQueue::MainQueue(Delivery delivery)
    : delivery_(delivery) {}

void MainQueue::post(Block block) {
    bool schedule = false;
    {
        std::lock_guard lock(mutex_);
        blocks_.push_back(std::move(block));
        schedule = !drainScheduled_;
        drainScheduled_ = true;
    }
    if (schedule)
        scheduleDrain();
}

void MainQueue::scheduleDrain() {
    if (delivery_ == Delivery::EventLoop)
        QMetaObject::invokeMethod(
            &context_, [this] { drain(); }, Qt::QueuedConnection);
}

void MainQueue::drain() {
    Q_ASSERT(QThread::currentThread() == context_.thread());
    // A nested event loop inside a running block: the outer drain goes on once that block returns.
    if (running_)
        return;
    for (;;) {
        Block block;
        {
            std::lock_guard lock(mutex_);
            if (blocks_.empty()) {
                drainScheduled_ = false;
                return;
            }
            block = std::move(blocks_.front());
            blocks_.pop_front();
        }
        running_ = true;
        block();
        running_ = false;
    }
}

std::size_t MainQueue::waitingCount() const {
    std::lock_guard lock(mutex_);
    return blocks_.size();
}
