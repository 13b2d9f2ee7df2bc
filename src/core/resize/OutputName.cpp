#include "core/resize/OutputName.h"

#include "core/files/FilePaths.h"

namespace {

// The longest file name most Linux file systems take, in bytes.
constexpr qsizetype maxNameBytes = 255;

qsizetype extensionDot(const QString &fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    return dot > 0 ? dot : -1;
}

// `base` shortened at a character boundary until `base + tail` fits in a file name.
QString fitted(QString base, const QString &tail) {
    const qsizetype tailBytes = encodePath(tail).size();
    while (!base.isEmpty() && encodePath(base).size() + tailBytes > maxNameBytes)
        base.chop(base.size() > 1 && base.back().isLowSurrogate() &&
                          base.at(base.size() - 2).isHighSurrogate()
                      ? 2
                      : 1);
    return base + tail;
}

} // namespace

QString pathExtension(const QString &fileName) {
    const qsizetype dot = extensionDot(fileName);
    return dot < 0 ? QString() : fileName.mid(dot + 1);
}

QString outputFileName(const QString &sourceName, qint64 n, FileType type) {
    const qsizetype dot = extensionDot(sourceName);
    const QString base = dot < 0 ? sourceName : sourceName.left(dot);
    const QString extension = pathExtension(sourceName);
    // The name says what the copy holds; an extension that already says so is kept as it is.
    const bool named = copyExtensions(type).contains(extension, Qt::CaseInsensitive);
    const QString suffix = QLatin1Char('.') + (named ? extension : copyExtension(type));
    return fitted(base, n == 0 ? suffix : QStringLiteral(" (%1)").arg(n) + suffix);
}

qint64 firstFreeIndex(const std::function<bool(qint64)> &taken) {
    if (!taken(0))
        return 0;
    // Double past the taken names, then halve the gap between the last taken and the first free.
    qint64 lastTaken = 0;
    qint64 free = 1;
    while (taken(free)) {
        lastTaken = free;
        free *= 2;
    }
    while (free - lastTaken > 1) {
        const qint64 middle = lastTaken + (free - lastTaken) / 2;
        (taken(middle) ? lastTaken : free) = middle;
    }
    return free;
}
