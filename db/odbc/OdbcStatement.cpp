#include "OdbcStatement.h"

#include "DatabaseError.h"
#include "OdbcConnection.h"
#include "OdbcDiagnostics.h"
#include "OdbcText.h"

#include <sqlext.h>

namespace db {

namespace {

// HYT00 is ODBC's state for a statement that ran out of time (FreeTDS,
// Microsoft's drivers); psqlODBC passes on the server's 57014, "canceling
// statement due to statement timeout".
bool isTimeout(const QStringList &states)
{
    return states.contains(QLatin1String("HYT00")) || states.contains(QLatin1String("57014"));
}

QString timeoutMessage(int seconds)
{
    return QStringLiteral("Der Datenbankserver hat nicht innerhalb von %1 geantwortet, die Abfrage wurde "
                          "abgebrochen (Wartezeit einstellbar mit DEPEXPORT_ODBC_COMMAND_TIMEOUT).")
        .arg(OdbcDiagnostics::waitText(seconds));
}

} // namespace

OdbcStatement::OdbcStatement(const OdbcConnection &connection)
    : m_timeoutSeconds(connection.commandTimeoutSeconds())
{
    const SQLRETURN rc = SQLAllocHandle(SQL_HANDLE_STMT, connection.handle(), &m_handle);
    OdbcDiagnostics::check(rc, SQL_HANDLE_DBC, connection.handle(), "SQLAllocHandle");
    // A driver that cannot time out statements refuses the attribute; its
    // statements then wait as long as they take, which is no reason to stop.
    if (m_timeoutSeconds > 0) {
        SQLSetStmtAttr(m_handle, SQL_ATTR_QUERY_TIMEOUT,
                       reinterpret_cast<SQLPOINTER>(static_cast<SQLULEN>(m_timeoutSeconds)), 0);
    }
}

OdbcStatement::~OdbcStatement()
{
    SQLFreeHandle(SQL_HANDLE_STMT, m_handle);
}

void OdbcStatement::check(SQLRETURN rc, const char *call) const
{
    if (OdbcDiagnostics::succeeded(rc))
        return;
    if (m_timeoutSeconds > 0 && isTimeout(OdbcDiagnostics::states(SQL_HANDLE_STMT, m_handle)))
        throw TimeoutError(timeoutMessage(m_timeoutSeconds) + u'\n' + OdbcDiagnostics::text(SQL_HANDLE_STMT, m_handle));
    OdbcDiagnostics::raise(rc, SQL_HANDLE_STMT, m_handle, call);
}

void OdbcStatement::execute(const QString &sql, const std::vector<Argument> &arguments)
{
    m_parameters.clear();
    check(SQLFreeStmt(m_handle, SQL_RESET_PARAMS), "SQLFreeStmt");
    m_parameters.reserve(arguments.size());
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        m_parameters.push_back(std::make_unique<OdbcParameter>(arguments[i]));
        m_parameters.back()->bind(m_handle, static_cast<SQLUSMALLINT>(i + 1));
    }
    std::vector<SQLWCHAR> text = OdbcText::toSqlWChar(sql);
    m_columnCount = 0;
    SQLRETURN rc = SQLExecDirectW(m_handle, text.data(), SQL_NTS);
    if (rc == SQL_NO_DATA)
        return; // an update or delete that touched no row
    check(rc, "SQLExecDirect");
    for (;;) {
        SQLSMALLINT count = 0;
        check(SQLNumResultCols(m_handle, &count), "SQLNumResultCols");
        if (count > 0) {
            m_columnCount = count;
            return;
        }
        rc = SQLMoreResults(m_handle);
        if (rc == SQL_NO_DATA)
            return;
        check(rc, "SQLMoreResults");
    }
}

OdbcColumnDescription OdbcStatement::describeColumn(int number) const
{
    OdbcColumnDescription d;
    const auto column = static_cast<SQLUSMALLINT>(number);
    std::vector<SQLWCHAR> name(256);
    SQLSMALLINT nameLength = 0;
    SQLRETURN rc = SQLDescribeColW(m_handle, column, name.data(), static_cast<SQLSMALLINT>(name.size()), &nameLength,
                                   &d.sqlType, &d.columnSize, &d.decimalDigits, &d.nullable);
    check(rc, "SQLDescribeCol");
    if (nameLength >= static_cast<SQLSMALLINT>(name.size())) {
        name.resize(static_cast<std::size_t>(nameLength) + 1);
        rc = SQLDescribeColW(m_handle, column, name.data(), static_cast<SQLSMALLINT>(name.size()), &nameLength,
                             &d.sqlType, &d.columnSize, &d.decimalDigits, &d.nullable);
        check(rc, "SQLDescribeCol");
    }
    d.name = OdbcText::toQString(name.data(), nameLength);

    std::vector<SQLWCHAR> typeName(128);
    SQLSMALLINT typeNameBytes = 0;
    rc = SQLColAttributeW(m_handle, column, SQL_DESC_TYPE_NAME, typeName.data(),
                          static_cast<SQLSMALLINT>(typeName.size() * sizeof(SQLWCHAR)), &typeNameBytes, nullptr);
    if (SQL_SUCCEEDED(rc))
        d.typeName = OdbcText::toQString(typeName.data());
    return d;
}

bool OdbcStatement::fetch()
{
    const SQLRETURN rc = SQLFetch(m_handle);
    if (rc == SQL_NO_DATA)
        return false;
    check(rc, "SQLFetch");
    return true;
}

void OdbcStatement::closeCursor()
{
    SQLFreeStmt(m_handle, SQL_CLOSE);
}

} // namespace db
