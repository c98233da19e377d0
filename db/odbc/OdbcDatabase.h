#pragma once

#include "OdbcConnection.h"
#include "OdbcEnvironment.h"
#include "ProviderConnection.h"

#include <QString>

#include <memory>
#include <vector>

namespace db {

// A database reached through an ODBC connection text: the provider of the
// SQL Server variants.
//
// Queries run on the first connection that has no open result. When every
// connection is busy (the record count asked while the rows of the same
// query are being read, or a second query open beside the first), another
// connection is opened with the same text and kept for later queries, as
// the SQL Server OLE DB provider does.
class OdbcDatabase : public ProviderConnection
{
public:
    // Connects at once; throws Error with the driver's text on failure.
    // The first login waits `firstLoginSeconds` when that is positive (the
    // rest of a login timeout partly spent on finding the server), every
    // login after it the login timeout of `timeouts`.
    OdbcDatabase(QString connectionText, OdbcTimeouts timeouts, int firstLoginSeconds = 0);
    ~OdbcDatabase() override;

    std::unique_ptr<Cursor> execute(const QString &sql, const std::vector<Argument> &arguments) override;
    // Lets the server count (CountingQuery); when it cannot, the rows are
    // read once more and counted. A count the server did not answer in time
    // fails with TimeoutError: reading the rows would wait as long again.
    qint64 countRows(const QString &sql, const std::vector<Argument> &arguments) override;

    // The logins made so far.
    int connectionCount() const { return static_cast<int>(m_connections.size()); }

private:
    OdbcConnection &freeConnection();

    OdbcEnvironment m_environment;
    QString m_connectionText;
    OdbcTimeouts m_timeouts;
    std::vector<std::unique_ptr<OdbcConnection>> m_connections;
};

} // namespace db
