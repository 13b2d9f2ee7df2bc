#pragma once

#include <QStringView>
#include <QXmlStreamWriter>

// Writes `text` as the content of the open element so that any reader reads it back unchanged.
// Qt 6.4's writer leaves a carriage return bare, which every XML reader takes as a line feed; it
// is written here as a character reference.
void writeTextKeepingCarriageReturns(QXmlStreamWriter &writer, QStringView text);
