#pragma once

#include <QString>
#include <QStringList>

namespace db {

// The ODBC driver that serves the SQL Server variants: Microsoft's "ODBC
// Driver NN for SQL Server" when it is installed, else FreeTDS. The two
// take different connection keys.
class SqlServerDriver
{
public:
    enum Kind { Microsoft, FreeTds };

    SqlServerDriver(QString name, Kind kind, int microsoftVersion = 0);

    // The newest Microsoft driver among the `installed` driver names, else
    // FreeTDS by its odbcinst.ini name, else the first of the FreeTDS
    // `libraries` that exists. Throws Error when there is none.
    static SqlServerDriver choose(const QStringList &installed, const QStringList &libraries);
    // Where Debian and other distributions put FreeTDS's ODBC library.
    static QStringList freeTdsLibraries();
    // A driver the user names (an odbcinst.ini name or a library path).
    // Names that mention FreeTDS or tdsodbc take FreeTDS's keys, all others
    // Microsoft's.
    static SqlServerDriver named(const QString &nameOrPath);

    // The text after "Driver=": the name or path.
    const QString &name() const { return m_name; }
    Kind kind() const { return m_kind; }
    // 17, 18, ... for Microsoft's drivers; 0 when it cannot be told.
    int microsoftVersion() const { return m_microsoftVersion; }

private:
    QString m_name;
    Kind m_kind;
    int m_microsoftVersion;
};

} // namespace db
