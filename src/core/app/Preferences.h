#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

// The preferences store: a file in QSettings' INI format, read and replaced as the regular file
// it is. When something else is at its path (a link, a FIFO) or it cannot be read, the run goes
// on with the defaults, says so once in the log and leaves the path alone.
class Preferences {
public:
    // Reads the file at `path`.
    explicit Preferences(const QString &path);

    // Whether something that is not a readable regular file is at the path; the values are then
    // the run's own.
    bool isLeftAlone() const { return !usable_; }
    bool contains(const QString &key) const { return values_.contains(key); }
    QVariant value(const QString &key, const QVariant &fallback = {}) const {
        return values_.value(key, fallback);
    }
    void setValue(const QString &key, const QVariant &value) { values_.insert(key, value); }

    // Replaces the file with the values in one step; a failure goes to the log with its cause.
    void save() const;

private:
    QString path_;
    bool usable_ = true;
    QVariantMap values_;
};
