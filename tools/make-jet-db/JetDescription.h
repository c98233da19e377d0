#pragma once

#include "CsvReader.h"
#include "JetColumn.h"
#include "JetValue.h"

#include <QJsonValue>
#include <QString>

// Builds an .mdb file from a JSON description:
//
//   {"password": "quillet",                       optional, at most 20 characters
//    "creationDate": "2019-01-01T00:00:00",       optional
//    "tables": [
//      {"name": "Kunden",
//       "columns": [{"name": "ID", "type": "long"},
//                   {"name": "Name", "type": "text", "size": 50}, ...],
//       "rows": [[1, "Anna"], [2, null]],         optional
//       "csv": "kunden.csv"}]}                    optional, relative to the description
//
// Column types: boolean, byte, integer, long, currency, single, double,
// datetime, text (size 1..255), memo, binary (size 1..255), ole. Values are
// JSON null, booleans, numbers or texts; a date-time is an ISO text
// ("2019-03-01T10:15:00") or an OLE day number, a currency amount a number
// or an exact decimal text ("12.3456"), binary and OLE values base64 texts.
// The CSV file starts with a header line of the column names in table order;
// its fields are written as in JSON texts, an empty unquoted field is NULL.
namespace JetDescription {

// Throws Error with a message naming the place of the fault.
void build(const QString &descriptionPath, const QString &outputPath);

JetType parseType(const QString &name);
JetValue fromJson(const QJsonValue &value, const JetColumn &column);
JetValue fromText(const QString &text, const JetColumn &column);

} // namespace JetDescription
