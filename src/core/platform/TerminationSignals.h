#pragma once

#include <QObject>

#include <memory>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a call on the main thread, so that a quit that comes as a
// signal (a logout, kill, Ctrl+C in a terminal) ends the program the way Quit does: the batch
// stops, and no temporary file is left behind. A second signal ends the process at once.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    TerminationSignals();
    ~TerminationSignals() override;

    // The signal that asked the program to end, or 0. Once everything is cleaned up, the process
    // should end by this signal, so that its parent learns how it ended.
    static int received();

Q_SIGNALS:
    void terminationRequested();

private:
    void takeSignal();

    std::unique_ptr<QSocketNotifier> notifier_;
};
