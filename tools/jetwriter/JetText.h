#pragma once

#include <QByteArray>
#include <QStringView>

// Jet 4 text storage: little-endian UCS-2, or the "compressed unicode" form
// when that is shorter. The compressed form starts with FF FE; a 00 byte
// switches between one byte per character (the high byte being 0) and two
// bytes per character. A text with a character whose low byte is 0 (such as
// U+0100) cannot be written that way and stays plain UCS-2.
namespace JetText {

// Appends the stored bytes of the text to out.
void append(QByteArray &out, QStringView text, bool compress);

} // namespace JetText
