#include "OdbcDatabase.h"

#include "CountingQuery.h"
#include "DatabaseError.h"
#include "OdbcCursor.h"

namespace db {

OdbcDatabase::OdbcDatabase(QString connectionText, OdbcTimeouts timeouts, int firstLoginSeconds)
    : m_connectionText(std::move(connectionText))
    , m_timeouts(timeouts)
{
    OdbcTimeouts first = m_timeouts;
    if (firstLoginSeconds > 0)
        first.loginSeconds = firstLoginSeconds;
    m_connections.push_back(std::make_unique<OdbcConnection>(m_environment, m_connectionText, first));
}

OdbcDatabase::~OdbcDatabase() = default;

OdbcConnection &OdbcDatabase::freeConnection()
{
    for (const auto &connection : m_connections) {
        if (!connection->inUse())
            return *connection;
    }
    m_connections.push_back(std::make_unique<OdbcConnection>(m_environment, m_connectionText, m_timeouts));
    return *m_connections.back();
}

std::unique_ptr<Cursor> OdbcDatabase::execute(const QString &sql, const std::vector<Argument> &arguments)
{
    return std::make_unique<OdbcCursor>(freeConnection(), sql, arguments);
}

qint64 OdbcDatabase::countRows(const QString &sql, const std::vector<Argument> &arguments)
{
    if (const std::optional<QString> counting = CountingQuery::countText(sql)) {
        try {
            const std::unique_ptr<Cursor> cursor = execute(*counting, arguments);
            if (cursor->fetch()) {
                const Value count = cursor->value(0);
                if (!count.isNull())
                    return count.toInt();
            }
        } catch (const TimeoutError &) {
            throw;
        } catch (const Error &) {
            // a query the server cannot wrap (duplicate column names, ...)
        }
    }
    return ProviderConnection::countRows(sql, arguments);
}

} // namespace db
