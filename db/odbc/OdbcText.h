#pragma once

#include <QString>

#include <sql.h>
#include <sqlucode.h>

#include <vector>

namespace db {

// Texts between Qt and the wide-character ODBC calls. unixODBC's SQLWCHAR
// is a UTF-16 code unit, as QString's are.
namespace OdbcText {

static_assert(sizeof(SQLWCHAR) == sizeof(char16_t), "the ODBC wide calls must use UTF-16");

// `length` code units, or up to the terminating zero when it is SQL_NTS.
QString toQString(const SQLWCHAR *text, qsizetype length = SQL_NTS);
// A zero-terminated copy for calls that take SQLWCHAR *.
std::vector<SQLWCHAR> toSqlWChar(const QString &text);

} // namespace OdbcText

} // namespace db
