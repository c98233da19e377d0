#include "Providers.h"

#include "Error.h"

namespace db {

std::unique_ptr<ProviderConnection> openSqlServerDatabase(const ConnectionString &)
{
    throw Error(QStringLiteral("Der SQL-Server-Provider ist noch nicht eingebaut."));
}

} // namespace db
