#include "core/sizing/PresetList.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

constexpr qsizetype maxPresets = 10;

// Skips the element the reader stands at, with everything inside it.
bool skipElement(QXmlStreamReader &reader) {
    reader.skipCurrentElement();
    return !reader.hasError();
}

} // namespace

std::optional<QStringList> readPresetList(const QByteArray &plist) {
    QXmlStreamReader reader(plist);
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("plist"))
        return std::nullopt;
    if (!reader.readNextStartElement() || reader.name() != QLatin1String("array"))
        return std::nullopt;
    QStringList presets;
    while (reader.readNextStartElement()) {
        if (reader.name() == QLatin1String("string")) {
            presets.append(reader.readElementText());
            if (reader.hasError())
                return std::nullopt;
        } else if (!skipElement(reader)) {
            return std::nullopt;
        }
    }
    // The rest must still be well-formed XML.
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        return std::nullopt;
    return presets;
}

QByteArray writePresetList(const QStringList &presets) {
    QByteArray plist;
    QXmlStreamWriter writer(&plist);
    writer.setAutoFormatting(true);
    writer.setAutoFormattingIndent(-1); // one tab, as property list files are usually indented
    writer.writeStartDocument();
    writer.writeDTD(QStringLiteral("<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                                   "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">"));
    writer.writeStartElement(QStringLiteral("plist"));
    writer.writeAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    writer.writeStartElement(QStringLiteral("array"));
    for (const QString &preset : presets)
        writer.writeTextElement(QStringLiteral("string"), preset);
    writer.writeEndElement();
    writer.writeEndElement();
    writer.writeEndDocument();
    return plist;
}

std::optional<QStringList> withNewPreset(const QStringList &presets, const QString &entry) {
    if (presets.contains(entry))
        return std::nullopt;
    QStringList updated =
        presets.mid(0, presets.size() >= maxPresets ? maxPresets - 1 : presets.size());
    updated.prepend(entry);
    return updated;
}
