#include "Providers.h"

#include "Error.h"

namespace db {

std::unique_ptr<ProviderConnection> openProvider(const ConnectionString &connectionString)
{
    const QString provider = connectionString.value(QStringLiteral("Provider")).trimmed();
    if (provider.compare(QLatin1String("Microsoft.Jet.OLEDB.4.0"), Qt::CaseInsensitive) == 0)
        return openAccessDatabase(connectionString);
    if (provider.compare(QLatin1String("SQLOLEDB.1"), Qt::CaseInsensitive) == 0
        || provider.compare(QLatin1String("SQLOLEDB"), Qt::CaseInsensitive) == 0)
        return openSqlServerDatabase(connectionString);
    if (provider.isEmpty())
        throw Error(QStringLiteral("Die Verbindungszeichenfolge nennt keinen Provider."));
    throw Error(QStringLiteral("Der Provider '%1' ist nicht verfügbar.").arg(provider));
}

} // namespace db
