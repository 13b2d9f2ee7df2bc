#include "core/files/XmlText.h"

void writeTextKeepingCarriageReturns(QXmlStreamWriter &writer, QStringView text) {
    bool first = true;
    for (const QStringView line : text.tokenize(u'\r')) {
        if (!first)
            writer.writeEntityReference(QStringLiteral("#13"));
        writer.writeCharacters(line.toString());
        first = false;
    }
}
