#pragma once

#include "ProviderConnection.h"

#include <QString>

#include <memory>
#include <vector>

namespace db {

class TADOQuery;

// The one database connection of the window. The connection string selects
// the provider; connecting opens it, disconnecting closes every query that
// runs on it first.
class TADOConnection
{
public:
    TADOConnection() = default;
    ~TADOConnection();
    TADOConnection(const TADOConnection &) = delete;
    TADOConnection &operator=(const TADOConnection &) = delete;

    const QString &connectionString() const { return m_connectionString; }
    void setConnectionString(const QString &text);

    bool connected() const { return m_provider != nullptr; }
    // true connects (throws ConnectionError with the provider's text on
    // failure and stays disconnected); false drops the connection.
    void setConnected(bool connected);

    bool loginPrompt() const { return m_loginPrompt; }
    void setLoginPrompt(bool prompt) { m_loginPrompt = prompt; }

    // The open provider; throws Error when not connected.
    ProviderConnection &provider();

private:
    friend class TADOQuery;
    void attach(TADOQuery *query);
    void detach(TADOQuery *query);

    QString m_connectionString;
    bool m_loginPrompt = false;
    std::unique_ptr<ProviderConnection> m_provider;
    std::vector<TADOQuery *> m_queries;
};

} // namespace db
