#include "core/resize/XmpRepair.h"

#include <QSet>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <vector>

namespace {

constexpr QStringView rdf = u"http://www.w3.org/1999/02/22-rdf-syntax-ns#";

} // namespace

QByteArray withoutRepeatedProperties(const QByteArray &packet) {
    QXmlStreamReader reader(packet);
    // A packet may declare no entities; the toolkit refuses those anyway.
    reader.setEntityResolver(nullptr);
    QByteArray out;
    QXmlStreamWriter writer(&out);
    // For each open element: the names of the properties seen so far when it is a description.
    std::vector<QSet<QString>> open;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.tokenType() == QXmlStreamReader::DTD)
            return {};
        if (reader.isStartElement()) {
            if (!open.empty() && open.back().contains(QStringLiteral("\n"))) {
                const QString name = reader.namespaceUri().toString() + reader.name().toString();
                if (open.back().contains(name)) {
                    reader.skipCurrentElement();
                    continue;
                }
                open.back().insert(name);
            }
            // A description is marked by a name no property can have.
            QSet<QString> seen;
            if (reader.namespaceUri() == rdf && reader.name() == u"Description")
                seen.insert(QStringLiteral("\n"));
            open.push_back(seen);
        } else if (reader.isEndElement() && !open.empty()) {
            open.pop_back();
        }
        writer.writeCurrentToken(reader);
    }
    return reader.hasError() ? QByteArray() : out;
}
