#pragma once

#include <QDialog>
#include <QList>

#include "core/job/Job.h"

// A small window that lists the images of a batch that were skipped, each with its reason; a
// dialog, so that Escape closes it as its Close button does.
class SkippedFilesWindow : public QDialog {
    Q_OBJECT

public:
    explicit SkippedFilesWindow(const QList<Skip> &skipped, QWidget *parent = nullptr);
};
