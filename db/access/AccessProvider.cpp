#include "Providers.h"

#include "Error.h"

namespace db {

std::unique_ptr<ProviderConnection> openAccessDatabase(const ConnectionString &)
{
    throw Error(QStringLiteral("Der Access-Provider ist noch nicht eingebaut."));
}

} // namespace db
