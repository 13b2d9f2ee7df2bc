#pragma once

#include <QByteArray>
#include <QStringList>

// The message a second launch sends to the running instance: the paths it was given, or none for
// a reopen. A frame is a four-byte tag, the payload's length as a 32-bit big-endian number, and
// the payload: each path's file-system bytes followed by a NUL byte.
namespace InstanceMessage {

QByteArray encode(const QStringList &paths);

struct Decoded {
    enum class Status { Incomplete, Invalid, Complete };
    Status status = Status::Incomplete;
    QStringList paths;
};

// Reads one frame from the start of `buffer`, which may hold only part of it so far.
Decoded decode(const QByteArray &buffer);

} // namespace InstanceMessage
