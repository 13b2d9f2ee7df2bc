#include "core/sizing/PresetList.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <cmath>
#include <limits>
#include <string>

#include "core/files/XmlText.h"
#include "core/sizing/Decimal.h"

namespace {

constexpr qsizetype maxPresets = 10;

// One side of an entry: -1 for the wildcard, or a positive number within the single precision
// sizes are typed in. Nothing for anything else, infinity and NaN included.
std::optional<double> presetSide(const QString &text) {
    const std::string bytes = text.trimmed().toStdString();
    const std::optional<Decimal<double>> number = leadingDecimal<double>(bytes);
    if (!number || number->length != bytes.size())
        return std::nullopt;
    if (number->value == wildcard)
        return wildcard;
    if (!(number->value > 0 && number->value <= std::numeric_limits<float>::max()))
        return std::nullopt;
    return number->value;
}

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
    for (const QString &preset : presets) {
        writer.writeStartElement(QStringLiteral("string"));
        writeTextKeepingCarriageReturns(writer, preset);
        writer.writeEndElement();
    }
    writer.writeEndElement();
    writer.writeEndElement();
    writer.writeEndDocument();
    return plist;
}

std::optional<Size> presetSize(const QString &entry) {
    const QString text = entry.trimmed();
    if (!text.startsWith(QLatin1Char('{')) || !text.endsWith(QLatin1Char('}')))
        return std::nullopt;
    const QStringList sides = text.sliced(1, text.size() - 2).split(QLatin1Char(','));
    if (sides.size() != 2)
        return std::nullopt;
    const std::optional<double> width = presetSide(sides[0]);
    const std::optional<double> height = presetSide(sides[1]);
    if (!width || !height || (*width == wildcard && *height == wildcard))
        return std::nullopt;
    return Size{*width, *height};
}

QStringList sizesAmong(const QStringList &entries) {
    QStringList sizes;
    for (const QString &entry : entries) {
        if (presetSize(entry))
            sizes.append(entry);
    }
    return sizes;
}

std::optional<QStringList> withNewPreset(const QStringList &presets, const QString &entry) {
    if (presets.contains(entry))
        return std::nullopt;
    QStringList updated =
        presets.mid(0, presets.size() >= maxPresets ? maxPresets - 1 : presets.size());
    updated.prepend(entry);
    return updated;
}
