#pragma once

#include <QString>

// The application's badge and attention requests. The label is the only record of a job's
// progress; each platform shows it its own way. Used on the main thread only.
class DockTile {
public:
    virtual ~DockTile() = default;

    QString badgeLabel() const { return label_; }
    // An empty label clears the badge.
    void setBadgeLabel(const QString &label);
    void requestUserAttention();

protected:
    virtual void showBadge(const QString &label) = 0;
    virtual void showAttention() = 0;

private:
    QString label_;
};
