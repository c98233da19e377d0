#include "SqlServerConnectionString.h"

#include <QStringList>

namespace db {

namespace {

QString firstValue(const ConnectionString &cs, std::initializer_list<const char *> keys)
{
    for (const char *key : keys) {
        if (cs.contains(QLatin1String(key)))
            return cs.value(QLatin1String(key));
    }
    return {};
}

bool isAllDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    return true;
}

// "SSPI" (the form the window writes), and the yes-forms of the key.
bool wantsIntegratedSecurity(const ConnectionString &cs)
{
    const QString value = firstValue(cs, {"Integrated Security", "Trusted_Connection"}).trimmed();
    for (const char *yes : {"SSPI", "true", "yes"}) {
        if (value.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

class OdbcText
{
public:
    void add(const QString &key, const QString &value) { m_parts << key + u'=' + SqlServerConnectionString::quoted(value); }
    // Driver names are braced always: they hold blanks.
    void addBraced(const QString &key, const QString &value)
    {
        m_parts << key + QStringLiteral("={") + QString(value).replace(u'}', QStringLiteral("}}")) + u'}';
    }
    QString text() const { return m_parts.join(u';') + u';'; }

private:
    QStringList m_parts;
};

} // namespace

SqlServerConnectionString::DataSource SqlServerConnectionString::parseDataSource(const QString &text)
{
    DataSource result;
    QString rest = text;
    if (rest.startsWith(QLatin1String("tcp:"), Qt::CaseInsensitive))
        rest = rest.mid(4);
    const qsizetype comma = rest.lastIndexOf(u',');
    if (comma >= 0 && isAllDigits(rest.mid(comma + 1))) {
        result.port = rest.mid(comma + 1);
        rest = rest.left(comma);
    }
    const qsizetype backslash = rest.indexOf(u'\\');
    if (backslash >= 0) {
        result.instance = rest.mid(backslash + 1);
        rest = rest.left(backslash);
    }
    // Neither driver reaches a server by shared memory here: the local
    // server is the loopback host.
    if (rest.isEmpty() || rest == QLatin1String(".") || rest.compare(QLatin1String("(local)"), Qt::CaseInsensitive) == 0)
        rest = QStringLiteral("localhost");
    result.host = rest;
    return result;
}

SqlServerConnectionString::DataSource SqlServerConnectionString::dataSource(const ConnectionString &oleDb)
{
    return parseDataSource(firstValue(oleDb, {"Data Source", "Server", "Address", "Addr"}));
}

QString SqlServerConnectionString::toOdbc(const ConnectionString &oleDb, const SqlServerDriver &driver)
{
    return toOdbc(oleDb, driver, dataSource(oleDb));
}

QString SqlServerConnectionString::toOdbc(const ConnectionString &oleDb, const SqlServerDriver &driver,
                                          const DataSource &source)
{
    const QString catalog = firstValue(oleDb, {"Initial Catalog", "Database"});
    const bool freeTds = driver.kind() == SqlServerDriver::FreeTds;

    OdbcText odbc;
    odbc.addBraced(QStringLiteral("Driver"), driver.name());
    if (freeTds) {
        // FreeTDS asks the server's browser service for the port of a named
        // instance itself (16 tries a second apart, whatever the login
        // timeout); a port given with it wins, as with SQLOLEDB.
        QString server = source.host;
        if (!source.instance.isEmpty() && source.port.isEmpty())
            server += u'\\' + source.instance;
        odbc.add(QStringLiteral("Server"), server);
        if (!source.port.isEmpty())
            odbc.add(QStringLiteral("Port"), source.port);
    } else {
        QString server = source.host;
        if (!source.instance.isEmpty())
            server += u'\\' + source.instance;
        if (!source.port.isEmpty())
            server += u',' + source.port;
        odbc.add(QStringLiteral("Server"), server);
    }
    if (!catalog.isEmpty())
        odbc.add(QStringLiteral("Database"), catalog);
    if (wantsIntegratedSecurity(oleDb)) {
        odbc.add(QStringLiteral("Trusted_Connection"), QStringLiteral("Yes"));
    } else {
        const QString user = firstValue(oleDb, {"User ID", "UID", "User"});
        if (!user.isEmpty()) {
            odbc.add(QStringLiteral("UID"), user);
            odbc.add(QStringLiteral("PWD"), firstValue(oleDb, {"Password", "PWD"}));
        }
    }
    if (freeTds) {
        // Without a version FreeTDS tries the Sybase protocol after a failed
        // login, which doubles the wait for a server that does not answer.
        // Servers that speak an older version answer a 7.4 login with theirs.
        odbc.add(QStringLiteral("TDS_Version"), QStringLiteral("7.4"));
        odbc.add(QStringLiteral("ClientCharset"), QStringLiteral("UTF-8"));
    } else if (driver.microsoftVersion() >= 18) {
        // SQLOLEDB does not encrypt; driver 18 would insist on encryption
        // with a trusted certificate, which a local SQLEXPRESS lacks.
        odbc.add(QStringLiteral("Encrypt"), QStringLiteral("Optional"));
    }
    return odbc.text();
}

std::optional<int> SqlServerConnectionString::connectTimeout(const ConnectionString &oleDb)
{
    if (!oleDb.contains(QStringLiteral("Connect Timeout")))
        return std::nullopt;
    bool ok = false;
    const int seconds = oleDb.value(QStringLiteral("Connect Timeout")).trimmed().toInt(&ok);
    if (!ok || seconds <= 0)
        return std::nullopt;
    return seconds;
}

QString SqlServerConnectionString::quoted(const QString &value)
{
    const bool plain = !value.contains(u';') && !value.contains(u'{') && !value.contains(u'}') && !value.contains(u'=')
        && (value.isEmpty() || (!value.front().isSpace() && !value.back().isSpace()));
    if (plain)
        return value;
    QString escaped = value;
    escaped.replace(u'}', QStringLiteral("}}"));
    return u'{' + escaped + u'}';
}

} // namespace db
