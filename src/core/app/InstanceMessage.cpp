#include "core/app/InstanceMessage.h"

#include <QtEndian>

#include "core/files/FilePaths.h"

namespace InstanceMessage {

namespace {

const QByteArray tag = QByteArrayLiteral("SXD1");
constexpr qsizetype headerSize = 8;
// Far beyond any real list of paths; a longer claim is not a message of ours.
constexpr quint32 maxPayload = 64u << 20;

} // namespace

QByteArray encode(const QStringList &paths) {
    QByteArray payload;
    for (const QString &path : paths)
        payload += encodePath(path) + '\0';
    QByteArray frame = tag;
    char length[4];
    qToBigEndian(static_cast<quint32>(payload.size()), length);
    frame.append(length, 4);
    return frame + payload;
}

Decoded decode(const QByteArray &buffer) {
    using Status = Decoded::Status;
    if (!tag.startsWith(buffer.left(tag.size())))
        return {Status::Invalid, {}};
    if (buffer.size() < headerSize)
        return {Status::Incomplete, {}};
    const quint32 length = qFromBigEndian<quint32>(buffer.constData() + tag.size());
    if (length > maxPayload)
        return {Status::Invalid, {}};
    if (buffer.size() < headerSize + qsizetype(length))
        return {Status::Incomplete, {}};

    const QByteArray payload = buffer.mid(headerSize, length);
    if (!payload.isEmpty() && !payload.endsWith('\0'))
        return {Status::Invalid, {}};
    QStringList paths;
    qsizetype start = 0;
    while (start < payload.size()) {
        const qsizetype end = payload.indexOf('\0', start);
        if (end == start)
            return {Status::Invalid, {}}; // an empty path is never sent
        paths.append(decodePath(payload.mid(start, end - start)));
        start = end + 1;
    }
    return {Status::Complete, paths};
}

} // namespace InstanceMessage
