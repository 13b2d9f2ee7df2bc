#include "desktop/app/AppIcon.h"

#include <QBuffer>
#include <QDirIterator>
#include <QImage>
#include <QImageWriter>

QIcon appIcon() {
    QIcon icon;
    for (QDirIterator sizes(QStringLiteral(":/icons")); sizes.hasNext();)
        icon.addFile(sizes.next());
    return icon;
}

QByteArray appIconTiff() {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.write(QImage(QStringLiteral(":/icons/sardoxa-512.png")));
    return bytes;
}
