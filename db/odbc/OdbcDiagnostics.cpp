#include "OdbcDiagnostics.h"

#include "Error.h"
#include "OdbcText.h"

#include <sqlext.h>

#include <vector>

namespace db {

namespace {

struct Record
{
    QString state;
    QString message;
};

std::vector<Record> records(SQLSMALLINT handleType, SQLHANDLE handle)
{
    std::vector<Record> result;
    if (handle == SQL_NULL_HANDLE)
        return result;
    for (SQLSMALLINT number = 1;; ++number) {
        SQLWCHAR state[6] = {};
        SQLINTEGER nativeError = 0;
        SQLSMALLINT length = 0;
        std::vector<SQLWCHAR> message(1024);
        SQLRETURN rc = SQLGetDiagRecW(handleType, handle, number, state, &nativeError, message.data(),
                                      static_cast<SQLSMALLINT>(message.size()), &length);
        if (rc == SQL_SUCCESS_WITH_INFO && length >= static_cast<SQLSMALLINT>(message.size())) {
            message.resize(static_cast<std::size_t>(length) + 1);
            rc = SQLGetDiagRecW(handleType, handle, number, state, &nativeError, message.data(),
                                static_cast<SQLSMALLINT>(message.size()), &length);
        }
        if (!SQL_SUCCEEDED(rc))
            break;
        result.push_back({OdbcText::toQString(state, 5), OdbcText::toQString(message.data(), length)});
    }
    return result;
}

} // namespace

QString OdbcDiagnostics::text(SQLSMALLINT handleType, SQLHANDLE handle)
{
    QStringList lines;
    for (const Record &r : records(handleType, handle))
        lines << QStringLiteral("%1 (SQLSTATE %2)").arg(r.message.trimmed(), r.state);
    return lines.join(u'\n');
}

QStringList OdbcDiagnostics::states(SQLSMALLINT handleType, SQLHANDLE handle)
{
    QStringList result;
    for (const Record &r : records(handleType, handle))
        result << r.state;
    return result;
}

void OdbcDiagnostics::check(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char *call)
{
    if (!SQL_SUCCEEDED(rc))
        raise(rc, handleType, handle, call);
}

void OdbcDiagnostics::raise(SQLRETURN rc, SQLSMALLINT handleType, SQLHANDLE handle, const char *call)
{
    QString message = text(handleType, handle);
    if (message.isEmpty()) {
        message = QStringLiteral("Der ODBC-Aufruf %1 ist fehlgeschlagen (Rückgabewert %2).")
                      .arg(QLatin1String(call))
                      .arg(rc);
    }
    throw Error(message);
}

QString OdbcDiagnostics::waitText(int seconds)
{
    return seconds == 1 ? QStringLiteral("1 Sekunde") : QStringLiteral("%1 Sekunden").arg(seconds);
}

} // namespace db
