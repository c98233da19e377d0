#pragma once

#include <QByteArray>
#include <QString>

// The database definition page (page 0) of the Jet 4 .mdb files the writer
// makes. The scrambling and the password masking are the reader's
// (db::JetHeaderPage), which also decodes the page again.
namespace JetHeader {

constexpr int jet3PageSize = 2048;
constexpr int jet4PageSize = 4096;
constexpr int maxPasswordLength = 20;

// The Jet 4 header page the writer stores: version 4, sort order General,
// code page 1252, not encrypted, with the creation date and the password
// (at most 20 characters; Error otherwise).
QByteArray makeJet4(double creationDate, const QString &password);

} // namespace JetHeader
