#include "Providers.h"

#include "AccessConnection.h"

namespace db {

std::unique_ptr<ProviderConnection> openAccessDatabase(const ConnectionString &connectionString)
{
    return std::make_unique<AccessConnection>(connectionString);
}

} // namespace db
