#pragma once

#include <QList>
#include <QWidget>

#include "core/job/Job.h"

// A small window that lists the images of a batch that were skipped, each with its reason.
class SkippedFilesWindow : public QWidget {
    Q_OBJECT

public:
    explicit SkippedFilesWindow(const QList<Skip> &skipped, QWidget *parent = nullptr);
};
