#include "ProviderConnection.h"

namespace db {

qint64 ProviderConnection::countRows(const QString &sql, const std::vector<Argument> &arguments)
{
    std::unique_ptr<Cursor> cursor = execute(sql, arguments);
    qint64 count = 0;
    while (cursor->fetch())
        ++count;
    return count;
}

} // namespace db
