#pragma once

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

// A serial first-in, first-out queue of blocks that run on the main thread.
//
// Blocks may be posted from any thread. They run one at a time in posting order, and a block never
// starts while another is running: a block that sits in a modal dialog's nested event loop holds
// the queue until it returns. Queued calls on a QObject alone would start a block inside another's
// nested event loop, and tests could not drain them by hand: hence a queue of its own.
class MainQueue {
public:
    using Block = std::function<void()>;

    enum class Delivery {
        EventLoop, // drained by the Qt event loop of the thread that made the queue
        Manual,    // drained only by explicit drain() calls (tests)
    };

    explicit MainQueue(Delivery delivery);
    MainQueue(const MainQueue &) = delete;
    MainQueue &operator=(const MainQueue &) = delete;

    void post(Block block);

    // Runs the waiting blocks, including those posted meanwhile, until none is left. Must be
    // called on the main thread; does nothing when called from inside a running block.
    void drain();

    std::size_t waitingCount() const;

private:
    void scheduleDrain();

    const Delivery delivery_;
    QObject context_; // lives on the main thread; queued drains are delivered through it
    mutable std::mutex mutex_;
    std::deque<Block> blocks_;
    bool drainScheduled_ = false;
    bool running_ = false; // touched on the main thread only
};
