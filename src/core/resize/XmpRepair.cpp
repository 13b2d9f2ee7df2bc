#include "core/resize/XmpRepair.h"

#include <QSet>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <vector>

#include "core/files/XmlText.h"

namespace {

constexpr QStringView rdf = u"http://www.w3.org/1999/02/22-rdf-syntax-ns#";

} // namespace

QByteArray withoutRepeatedProperties(const QByteArray &packet) {
    QXmlStreamReader reader(packet);
    // A packet may declare no entities; the toolkit refuses those anyway.
    reader.setEntityResolver(nullptr);
    QByteArray out;
    QXmlStreamWriter writer(&out);
    // For each open element, whether it is a description, and the properties it has had so far.
    struct Open {
        bool description;
        QSet<QString> properties;
    };
    std::vector<Open> open;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.tokenType() == QXmlStreamReader::DTD)
            return {};
        if (reader.isStartElement()) {
            if (!open.empty() && open.back().description) {
                const QString name = reader.namespaceUri().toString() + reader.name().toString();
                if (open.back().properties.contains(name)) {
                    reader.skipCurrentElement();
                    continue;
                }
                open.back().properties.insert(name);
            }
            open.push_back({reader.namespaceUri() == rdf && reader.name() == u"Description", {}});
        } else if (reader.isEndElement() && !open.empty()) {
            open.pop_back();
        }
        if (reader.isCharacters() && !reader.isCDATA())
            writeTextKeepingCarriageReturns(writer, reader.text());
        else
            writer.writeCurrentToken(reader);
    }
    return reader.hasError() ? QByteArray() : out;
}
