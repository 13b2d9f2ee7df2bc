#pragma once

#include <QString>

#include <optional>

#include "core/files/UniqueFd.h"

// Output files appear complete or not at all, and never replace anything: the image is written
// to a hidden temporary file in the output folder, flushed, and then placed under the first free
// name in one atomic step that fails rather than replace a file placed meanwhile.
class OutputFile {
public:
    // Makes the hidden temporary file in `folder`; check isOpen(). With `remakeFolder`, the
    // folder is the job's own: it is made again, as at intake, should it have gone before the
    // file is placed, and never reached through a link.
    explicit OutputFile(const QString &folder, bool remakeFolder = false);
    // Removes the temporary file unless it was placed.
    ~OutputFile();
    OutputFile(const OutputFile &) = delete;
    OutputFile &operator=(const OutputFile &) = delete;

    bool isOpen() const { return fd_.isValid(); }
    // Where the image is written, before it is placed; open for reading as well, so that the
    // finished image can be read back and completed.
    int descriptor() const { return fd_.get(); }
    // Why the temporary file could not be made or placed.
    const QString &error() const { return error_; }

    // Flushes the written file to disk and gives it the first free name of the naming rule for
    // `sourceName`; returns that path, or nothing when it could not be placed.
    std::optional<QString> place(const QString &sourceName);

    // Removes the temporary files that killed runs left in the open folder `folder`: those this
    // program made as this user, that no live writer holds and that have not changed for a while.
    static void removeLeftovers(int folder);

private:
    // Opens the folder, made again where it has gone and may be; false with the error.
    bool openFolder();
    // Makes the temporary file in the open folder; fd_ stays invalid, with the error, when not.
    void makeTemporary();
    // The written file, copied into a temporary file of the folder made again.
    bool moveIntoRemadeFolder();

    QString folder_;
    bool remakeFolder_;
    UniqueFd dir_;
    QByteArray temporaryName_;
    UniqueFd fd_;
    QString error_;
    bool placed_ = false;
};
