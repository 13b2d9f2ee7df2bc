#include "core/files/FilePaths.h"

#include <QUrl>

#include <filesystem>
#include <sys/stat.h>

namespace {

constexpr char16_t escapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at the start of `bytes`, or 0.
int validSequence(const unsigned char *bytes, qsizetype available) {
    const unsigned char first = bytes[0];
    int length = 0;
    char32_t least = 0;
    if (first < 0x80)
        return 1;
    if ((first & 0xE0) == 0xC0)
        length = 2, least = 0x80;
    else if ((first & 0xF0) == 0xE0)
        length = 3, least = 0x800;
    else if ((first & 0xF8) == 0xF0)
        length = 4, least = 0x10000;
    else
        return 0;
    if (available < length)
        return 0;
    char32_t code = first & (0x7F >> length);
    for (int i = 1; i < length; ++i) {
        if ((bytes[i] & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (bytes[i] & 0x3F);
    }
    // Overlong forms, surrogates and values beyond Unicode are not valid UTF-8.
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

bool statPath(const QString &path, struct stat *info) {
    return ::stat(encodePath(path).constData(), info) == 0;
}

} // namespace

QString decodePath(const QByteArray &bytes) {
    QString path;
    path.reserve(bytes.size());
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    for (qsizetype i = 0; i < bytes.size();) {
        const int length = validSequence(data + i, bytes.size() - i);
        if (length == 0) {
            path.append(QChar(char16_t(escapeBase + data[i])));
            ++i;
        } else {
            path.append(QString::fromUtf8(bytes.constData() + i, length));
            i += length;
        }
    }
    return path;
}

QByteArray encodePath(const QString &path) {
    QByteArray bytes;
    bytes.reserve(path.size());
    qsizetype start = 0;
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t unit = path.at(i).unicode();
        const bool escaped = unit >= escapeBase + 0x80 && unit <= escapeBase + 0xFF &&
                             !(i > 0 && path.at(i - 1).isHighSurrogate());
        if (escaped) {
            bytes += path.mid(start, i - start).toUtf8();
            bytes += char(unit - escapeBase);
            start = i + 1;
        }
    }
    bytes += path.mid(start).toUtf8();
    return bytes;
}

bool pathExists(const QString &path) {
    struct stat info;
    return statPath(path, &info);
}

bool isDirectory(const QString &path) {
    struct stat info;
    return statPath(path, &info) && S_ISDIR(info.st_mode);
}

QString localPathOf(const QUrl &url) {
    if (!url.isLocalFile())
        return {};
    return decodePath(QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1()));
}

QStringList localPathsOf(const QList<QUrl> &urls) {
    QStringList paths;
    for (const QUrl &url : urls) {
        if (url.isLocalFile())
            paths.append(localPathOf(url));
    }
    return paths;
}

QString systemError(int error) {
    return qt_error_string(error);
}

QString joinPath(const QString &folder, const QString &name) {
    if (name.isEmpty())
        return folder;
    if (folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

QString absolutePath(const QString &path, const QString &folder) {
    return path.startsWith(QLatin1Char('/')) ? path : joinPath(folder, path);
}

QString workingFolder() {
    return decodePath(QByteArray::fromStdString(std::filesystem::current_path().native()));
}

QString fileNameOf(const QString &path) {
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString folderOf(const QString &path) {
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (slash < 0)
        return QStringLiteral(".");
    return slash == 0 ? QStringLiteral("/") : path.left(slash);
}
