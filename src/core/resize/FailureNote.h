#pragma once

#include <QString>

#include <memory>
#include <mutex>

#include <vips/vips8>

// Why the pixels of one image could not be computed, in the words of the thread that failed.
// libvips computes an image's regions on its worker threads and reports only that one failed;
// the reason is noted where it happened (see ThreadErrors) and read once the image is given up.
class FailureNote {
public:
    // Keeps the first reason that says something: a thread that failed only because another one
    // did (waiting for rows that never came) has nothing of its own to say.
    void note(const QString &reason);
    QString reason() const;

private:
    mutable std::mutex mutex_;
    QString reason_;
};

// `image` passed through unchanged, but for each region of it that fails to compute, or that a
// decoder computed while it warned of damage, the thread's messages are noted in `note` and the
// region fails.
vips::VImage notingFailures(const vips::VImage &image, std::shared_ptr<FailureNote> note);
