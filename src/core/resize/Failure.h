#pragma once

#include <QString>

// Why an image has no copy, from the step that failed to the end of its batch: what kind of
// failure it was, and its cause in the words of whoever failed.
struct Failure {
    enum class Kind {
        None,
        Unreadable,  // the source cannot be opened or drawn: no image Sardoxa takes, too large,
                     // or not at the size asked for
        Undecodable, // its decoder failed; the reason names the decoder ("libjxl: ...")
        Unwritable,  // the copy cannot be written or placed
        Stopped,     // the batch was stopped: there is nothing to tell
    };
    Kind kind = Kind::None;
    QString reason;

    // Whether the user is told of it: any failure but a stop.
    bool isTold() const { return kind != Kind::None && kind != Kind::Stopped; }
    // As the log and the end of the batch say it: "not a decodable image (libjxl: ...)" for an
    // image its decoder failed on, the reason itself for the others; empty for none and a stop.
    QString text() const;
};
