#pragma once

#include <QByteArray>

// The XMP packet with each property that a description repeats kept once, the first. Some
// cameras and tools write a property twice; the XMP toolkit then refuses the whole packet,
// although the XML itself is sound. Empty when the packet is not well-formed XML.
QByteArray withoutRepeatedProperties(const QByteArray &packet);
