#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// The single-byte code pages the files are written in: the Windows ANSI code
// page 1252 and, for the OEM conversion of text exports, code page 850.
// Characters a code page cannot hold become "?".
namespace CodePage {

QByteArray toAnsi(QStringView text);
void appendAnsi(QByteArray &out, QStringView text);
QString fromAnsi(QByteArrayView bytes);
// The system's ANSI-to-OEM conversion: Windows-1252 bytes to code page 850.
QByteArray ansiToOem(QByteArrayView ansi);

} // namespace CodePage
