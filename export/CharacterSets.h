#pragma once

#include <QByteArray>

// The byte conversions of the text writer. Texts are first Windows-1252
// bytes; the OEM set turns them into code page 850, the EBCDIC set maps them
// through the writer's EBCDIC table.
enum TCharacterSet { csANSI_WINDOWS, csASCII_MSDOS, csEBCDIC };

namespace CharacterSets {

// The EBCDIC byte of a Windows-1252 byte: 0x00 to 0x1F stay, 0x7F and 0x80
// to 0xFF become 0x4B, the printable ASCII range is mapped by table.
unsigned char ebcdicByte(unsigned char ansi);

// Converts bytes [from, end) of `bytes`, Windows-1252 bytes, to `set`.
void convert(QByteArray &bytes, qsizetype from, TCharacterSet set);

} // namespace CharacterSets
