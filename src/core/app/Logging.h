#pragma once

#include <QLoggingCategory>

// What the program decided and why, for whoever looks into a run. Off unless turned on, as
// QT_LOGGING_RULES="sardoxa.*.debug=true" does; the lines go to stderr as logLine() writes them.
Q_DECLARE_LOGGING_CATEGORY(engineLog) // per image: decoder, shrink on load, memory, pipeline
Q_DECLARE_LOGGING_CATEGORY(intakeLog) // the paths collected, and those skipped with their reason
Q_DECLARE_LOGGING_CATEGORY(jobLog)    // each job's states
Q_DECLARE_LOGGING_CATEGORY(filesLog)  // which leftover files are removed, and which are kept

// Routes the messages of the categories above through logLine(), which escapes what a file name
// could use to drive the terminal and keeps the status line below; others go where they went.
void installDebugLog();
