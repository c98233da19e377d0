#pragma once

#include <QStringList>

#include <sql.h>

namespace db {

// An ODBC 3 environment handle, freed with the object.
class OdbcEnvironment
{
public:
    OdbcEnvironment();
    ~OdbcEnvironment();
    OdbcEnvironment(const OdbcEnvironment &) = delete;
    OdbcEnvironment &operator=(const OdbcEnvironment &) = delete;

    SQLHENV handle() const { return m_handle; }

    // The drivers the driver manager knows (the sections of odbcinst.ini).
    QStringList driverNames() const;

private:
    SQLHENV m_handle = SQL_NULL_HENV;
};

} // namespace db
