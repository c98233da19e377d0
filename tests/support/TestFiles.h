#pragma once

#include <QByteArray>
#include <QString>

// Whole files as bytes, for tests that take a database file apart. A file
// that cannot be read or written ends the test program: what follows would
// test nothing.
namespace TestFiles {

QByteArray read(const QString &path);
void write(const QString &path, const QByteArray &bytes);

} // namespace TestFiles
