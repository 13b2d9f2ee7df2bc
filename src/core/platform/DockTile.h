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
    // `batchEnded`: a badge was shown since the last request, so this one ends a batch.
    virtual void showAttention(bool batchEnded) = 0;

private:
    QString label_;
    bool badgeSinceAttention_ = false;
};
