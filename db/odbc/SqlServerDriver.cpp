#include "SqlServerDriver.h"

#include "Error.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace db {

namespace {

// "ODBC Driver 18 for SQL Server" and the library "libmsodbcsql-18.so".
int microsoftVersionOf(const QString &name)
{
    static const QRegularExpression driverName(QStringLiteral("^ODBC Driver (\\d+) for SQL Server$"),
                                               QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression library(QStringLiteral("msodbcsql-?(\\d+)"),
                                            QRegularExpression::CaseInsensitiveOption);
    QRegularExpressionMatch m = driverName.match(name.trimmed());
    if (!m.hasMatch())
        m = library.match(name);
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

bool isMicrosoftDriverName(const QString &name)
{
    static const QRegularExpression driverName(QStringLiteral("^ODBC Driver \\d+ for SQL Server$"),
                                               QRegularExpression::CaseInsensitiveOption);
    return driverName.match(name.trimmed()).hasMatch();
}

bool mentionsFreeTds(const QString &name)
{
    return name.contains(QLatin1String("freetds"), Qt::CaseInsensitive)
        || name.contains(QLatin1String("tdsodbc"), Qt::CaseInsensitive);
}

} // namespace

SqlServerDriver::SqlServerDriver(QString name, Kind kind, int microsoftVersion)
    : m_name(std::move(name))
    , m_kind(kind)
    , m_microsoftVersion(microsoftVersion)
{
}

SqlServerDriver SqlServerDriver::choose(const QStringList &installed, const QStringList &libraries)
{
    const QString *newest = nullptr;
    for (const QString &name : installed) {
        if (isMicrosoftDriverName(name) && (!newest || microsoftVersionOf(name) > microsoftVersionOf(*newest)))
            newest = &name;
    }
    if (newest)
        return SqlServerDriver(*newest, Microsoft, microsoftVersionOf(*newest));
    for (const QString &name : installed) {
        if (name.contains(QLatin1String("freetds"), Qt::CaseInsensitive))
            return SqlServerDriver(name, FreeTds);
    }
    for (const QString &path : libraries) {
        if (QFileInfo(path).isFile())
            return SqlServerDriver(path, FreeTds);
    }
    throw Error(QStringLiteral("Kein ODBC-Treiber für SQL Server gefunden: Installieren Sie den Microsoft "
                               "ODBC Driver for SQL Server oder FreeTDS (tdsodbc)."));
}

QStringList SqlServerDriver::freeTdsLibraries()
{
    return {
        QStringLiteral("/usr/lib/x86_64-linux-gnu/odbc/libtdsodbc.so"),
        QStringLiteral("/usr/lib/aarch64-linux-gnu/odbc/libtdsodbc.so"),
        QStringLiteral("/usr/lib/i386-linux-gnu/odbc/libtdsodbc.so"),
        QStringLiteral("/usr/lib64/libtdsodbc.so"),
        QStringLiteral("/usr/local/lib/libtdsodbc.so"),
    };
}

SqlServerDriver SqlServerDriver::named(const QString &nameOrPath)
{
    if (mentionsFreeTds(nameOrPath))
        return SqlServerDriver(nameOrPath, FreeTds);
    return SqlServerDriver(nameOrPath, Microsoft, microsoftVersionOf(nameOrPath));
}

} // namespace db
