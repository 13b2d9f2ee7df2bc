#include "core/job/NameTurns.h"

NameTurns::Turn NameTurns::take(const QString &name) {
    std::lock_guard lock(mutex_);
    const QString key = name.toCaseFolded(); // one name where letter case is not told apart
    Name &turns = names_[key];
    turns.passed.append(false);
    return {key, turns.passed.size() - 1};
}

bool NameTurns::await(const Turn &turn, std::stop_token stop, std::chrono::seconds bound) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, stop, bound, [&] {
        return names_.value(turn.name).firstOpen >= turn.index;
    }) || stop.stop_requested();
}

void NameTurns::pass(const Turn &turn) {
    {
        std::lock_guard lock(mutex_);
        Name &turns = names_[turn.name];
        if (turn.index >= turns.passed.size())
            return;
        turns.passed[turn.index] = true;
        while (turns.firstOpen < turns.passed.size() && turns.passed[turns.firstOpen])
            ++turns.firstOpen;
    }
    changed_.notify_all();
}
