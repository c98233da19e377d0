#include "OdbcConnection.h"

#include "Error.h"
#include "OdbcDiagnostics.h"
#include "OdbcEnvironment.h"
#include "OdbcText.h"

#include <sqlext.h>

#include <vector>

namespace db {

OdbcConnection::OdbcConnection(const OdbcEnvironment &environment, const QString &connectionText,
                               OdbcTimeouts timeouts)
    : m_commandTimeoutSeconds(timeouts.commandSeconds)
{
    SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_DBC, environment.handle(), &m_handle);
    OdbcDiagnostics::check(rc, SQL_HANDLE_ENV, environment.handle(), "SQLAllocHandle");
    try {
        if (timeouts.loginSeconds > 0) {
            rc = SQLSetConnectAttrW(m_handle, SQL_ATTR_LOGIN_TIMEOUT,
                                    reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(timeouts.loginSeconds)), 0);
            OdbcDiagnostics::check(rc, SQL_HANDLE_DBC, m_handle, "SQLSetConnectAttr");
        }
        std::vector<SQLWCHAR> text = OdbcText::toSqlWChar(connectionText);
        std::vector<SQLWCHAR> completed(1024);
        SQLSMALLINT completedLength = 0;
        rc = SQLDriverConnectW(m_handle, nullptr, text.data(), SQL_NTS, completed.data(),
                               static_cast<SQLSMALLINT>(completed.size()), &completedLength, SQL_DRIVER_NOPROMPT);
        OdbcDiagnostics::check(rc, SQL_HANDLE_DBC, m_handle, "SQLDriverConnect");
    } catch (...) {
        SQLFreeHandle(SQL_HANDLE_DBC, m_handle);
        throw;
    }
}

OdbcConnection::~OdbcConnection()
{
    SQLDisconnect(m_handle);
    SQLFreeHandle(SQL_HANDLE_DBC, m_handle);
}

} // namespace db
