#pragma once

#include <QByteArray>
#include <QString>

// The settings file holds the archiver path as raw little-endian UTF-16 code units: no byte-order
// mark, no line end, no terminator.

// Returns the bytes that store text.
QByteArray EncodeSettingsText(const QString& text);
// Returns the text stored in bytes, up to the first U+0000; a last odd byte becomes a unit whose
// high byte is 0. Never fails.
QString DecodeSettingsText(const QByteArray& bytes);
