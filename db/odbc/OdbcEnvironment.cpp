#include "OdbcEnvironment.h"

#include "Error.h"
#include "OdbcDiagnostics.h"
#include "OdbcText.h"

#include <sqlext.h>

#include <vector>

namespace db {

OdbcEnvironment::OdbcEnvironment()
{
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &m_handle)))
        throw Error(QStringLiteral("Der ODBC-Treibermanager kann keine Umgebung anlegen."));
    const SQLRETURN rc = SQLSetEnvAttr(m_handle, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
    if (!SQL_SUCCEEDED(rc)) {
        const QString message = OdbcDiagnostics::text(SQL_HANDLE_ENV, m_handle);
        SQLFreeHandle(SQL_HANDLE_ENV, m_handle);
        throw Error(message.isEmpty() ? QStringLiteral("Der ODBC-Treibermanager unterstützt ODBC 3 nicht.") : message);
    }
}

OdbcEnvironment::~OdbcEnvironment()
{
    SQLFreeHandle(SQL_HANDLE_ENV, m_handle);
}

QStringList OdbcEnvironment::driverNames() const
{
    QStringList names;
    std::vector<SQLWCHAR> name(512);
    std::vector<SQLWCHAR> attributes(2048);
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    for (;;) {
        SQLSMALLINT nameLength = 0;
        SQLSMALLINT attributesLength = 0;
        const SQLRETURN rc = SQLDriversW(m_handle, direction, name.data(), static_cast<SQLSMALLINT>(name.size()),
                                         &nameLength, attributes.data(),
                                         static_cast<SQLSMALLINT>(attributes.size()), &attributesLength);
        if (!SQL_SUCCEEDED(rc))
            break;
        names << OdbcText::toQString(name.data());
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

} // namespace db
