#pragma once

#include <QString>

#include <optional>

// Output files appear complete or not at all, and never replace anything: the image is written
// to a hidden temporary file in the output folder, flushed, and then placed under the first free
// name in one atomic step that fails rather than replace a file placed meanwhile.
class OutputFile {
public:
    // Makes the hidden temporary file in `folder`; check isOpen().
    explicit OutputFile(const QString &folder);
    // Removes the temporary file unless it was placed.
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // Where the image is written, before it is placed.
    int descriptor() const { return fd_; }
    const QString &temporaryPath() const { return temporaryPath_; }
    // Why the temporary file could not be made or placed.
    const QString &error() const { return error_; }

    // Flushes the written file to disk and gives it the first free name of the naming rule for
    // `sourceName`; returns that path, or nothing when it could not be placed.
    std::optional<QString> place(const QString &sourceName);

    // Removes the temporary files in `folder` that a killed run left behind: those no live
    // writer holds and that have not changed for a while.
    static void removeLeftovers(const QString &folder);

private:
    QString folder_;
    QString temporaryPath_;
    int fd_ = -1;
    QString error_;
    bool placed_ = false;
};
