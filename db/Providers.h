#pragma once

#include "ConnectionString.h"
#include "ProviderConnection.h"

#include <memory>

namespace db {

// Opens the provider that the connection string's "Provider" names:
// "Microsoft.Jet.OLEDB.4.0" an Access database file, "SQLOLEDB.1" a SQL
// Server catalog. An unknown provider raises an Error naming it.
std::unique_ptr<ProviderConnection> openProvider(const ConnectionString &connectionString);

// The two providers, each in its own folder.
std::unique_ptr<ProviderConnection> openAccessDatabase(const ConnectionString &connectionString);
std::unique_ptr<ProviderConnection> openSqlServerDatabase(const ConnectionString &connectionString);

} // namespace db
