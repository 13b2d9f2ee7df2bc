#pragma once

#include <QHash>
#include <QList>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>
#include <utility>

// The sources of one job whose copies would take the same name place them in the order of the
// request, so that the first source named gets the plain name however long each took to draw.
// Only those wait on each other; every other copy places at once.
//
// Operations start in the order they were queued, so when a source waits for its turn, every
// earlier source of its name has started already: each is drawing, waiting for its own turn or
// done, and the first of them never waits. A wait therefore ends once the earlier ones have
// placed or failed, or when the job is stopped; the bound is a guard should that order ever
// change.
class NameTurns {
public:
    struct Turn {
        QString name;     // the copy's name, letter case folded
        qint64 index = 0; // the source's place among those of that name
    };

    // The next turn for a copy named `name` (its plain name); taken in the request's order.
    Turn take(const QString &name);
    // Returns once every earlier turn of `turn`'s name has passed, when `stop` is requested, or
    // after `bound` at the latest; false in the last case.
    bool await(const Turn &turn, std::stop_token stop, std::chrono::seconds bound);
    // The copy of `turn` has placed or failed: a later one of its name may place.
    void pass(const Turn &turn);

private:
    struct Name {
        QList<bool> passed;
        qint64 firstOpen = 0; // every turn before it has passed
    };

    std::mutex mutex_;
    std::condition_variable_any changed_;
    QHash<QString, Name> names_;
};

// One copy's turn, passed however its work ends.
class NameTurn {
public:
    NameTurn(std::shared_ptr<NameTurns> turns, const NameTurns::Turn &turn)
        : turns_(std::move(turns))
        , turn_(turn) {}
    ~NameTurn() { turns_->pass(turn_); }
    NameTurn(const NameTurn &) = delete;
    NameTurn &operator=(const NameTurn &) = delete;

    NameTurns &turns() const { return *turns_; }
    const NameTurns::Turn &turn() const { return turn_; }

private:
    std::shared_ptr<NameTurns> turns_;
    NameTurns::Turn turn_;
};
