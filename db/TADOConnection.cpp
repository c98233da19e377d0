#include "TADOConnection.h"

#include "DatabaseError.h"
#include "Providers.h"
#include "TADOQuery.h"

#include <algorithm>

namespace db {

TADOConnection::~TADOConnection()
{
    setConnected(false);
    for (TADOQuery *query : std::vector<TADOQuery *>(m_queries))
        query->setConnection(nullptr);
}

void TADOConnection::setConnectionString(const QString &text)
{
    setConnected(false);
    m_connectionString = text;
}

void TADOConnection::setConnected(bool connect)
{
    if (connect == connected())
        return;
    if (!connect) {
        for (TADOQuery *query : m_queries)
            query->close();
        m_provider.reset();
        return;
    }
    try {
        m_provider = openProvider(ConnectionString::parse(m_connectionString));
    } catch (const ConnectionError &) {
        throw;
    } catch (const Error &failure) {
        throw ConnectionError(failure.message());
    }
}

ProviderConnection &TADOConnection::provider()
{
    if (!m_provider)
        throw Error(QStringLiteral("Die Datenbankverbindung ist nicht geöffnet."));
    return *m_provider;
}

void TADOConnection::attach(TADOQuery *query)
{
    m_queries.push_back(query);
}

void TADOConnection::detach(TADOQuery *query)
{
    m_queries.erase(std::remove(m_queries.begin(), m_queries.end(), query), m_queries.end());
}

} // namespace db
