#include "core/job/Shard.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QtEndian>

#include "core/resize/OutputName.h"

namespace {

// More shards than any cluster runs pods would only be a typing slip.
constexpr int maxShards = 1'000'000;

} // namespace

std::optional<Shard> parseShard(const QString &text) {
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,7})/([0-9]{1,7})$"));
    const QRegularExpressionMatch match = form.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const Shard shard{match.captured(1).toInt(), match.captured(2).toInt()};
    if (shard.count < 1 || shard.count > maxShards || shard.index >= shard.count)
        return std::nullopt;
    return shard;
}

QString shardText(const Shard &shard) {
    return QStringLiteral("%1/%2").arg(shard.index).arg(shard.count);
}

QString copyNameKey(const QString &place, const QString &sourceName, FileType type) {
    const QString name = outputFileName(sourceName, 0, type);
    return (place.isEmpty() ? name : place + u'/' + name).toCaseFolded();
}

bool belongsTo(const QString &key, const Shard &shard) {
    // A cryptographic hash, unlike qHash, is the same in every process and every Qt version.
    const QByteArray digest = QCryptographicHash::hash(key.toUtf8(), QCryptographicHash::Sha256);
    return qFromBigEndian<quint64>(digest.constData()) % quint64(shard.count) ==
           quint64(shard.index);
}
