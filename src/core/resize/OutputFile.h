#pragma once

#include <QString>

#include <optional>

#include "core/files/UniqueFd.h"
#include "core/resize/CopyFormat.h"

// Output files appear complete or not at all, and never replace anything: the image is written
// to an unnamed file in the output folder, flushed, and then linked to the first free name in
// one atomic step that fails rather than replace a file placed meanwhile. A kill before leaves
// nothing. Where the file system makes no unnamed files, a hidden named temporary file stands in
// and is moved to that name.
class OutputFile {
public:
    // Makes the temporary file in `folder`, or in its `subfolder` (relative, made as needed and
    // never reached through a link); check isOpen(). With `remakeFolder`, `folder` is the job's
    // own: it is made again, as at intake, should it have gone before the file is placed, and
    // never reached through a link.
    explicit OutputFile(const QString &folder, bool remakeFolder = false,
                        const QString &subfolder = {});
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
    // a copy of `type` of `sourceName`; returns that path, or nothing when it could not be placed.
    std::optional<QString> place(const QString &sourceName, FileType type = FileType::tiff);

    // Removes the hidden temporary files that killed runs left in the open folder `folder`, where
    // unnamed ones could not be made: those this program made as this user, that no live writer
    // holds and that have not changed for a while.
    static void removeLeftovers(int folder);

private:
    // Opens the folder, made again where it has gone and may be, and its subfolder; false with
    // the error.
    bool openFolder();
    // Goes down from the open folder into the subfolder, making what is missing.
    bool openSubfolder();
    // Makes the temporary file in the open folder; fd_ stays invalid, with the error, when not.
    void makeTemporary();
    // The written file, linked into the folder made again or copied into a temporary file there.
    bool moveIntoRemadeFolder();

    QString folder_;
    QString subfolder_;
    bool remakeFolder_;
    UniqueFd dir_;
    QByteArray temporaryName_; // empty while the file has no name
    UniqueFd fd_;
    QString error_;
    bool placed_ = false;
};
