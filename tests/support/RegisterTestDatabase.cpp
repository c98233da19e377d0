#include "RegisterTestDatabase.h"

#include "ConnectionString.h"
#include "Error.h"
#include "JetDatabaseWriter.h"
#include "Providers.h"
#include "RegisterDatabase.h"

namespace RegisterTestDatabase {

namespace {

const QStringList certificateColumns = {QStringLiteral("Signaturzertifikat"), QStringLiteral("Zertifizierungsstellen")};

void addSales(JetDatabaseWriter &writer, bool gastro, const QList<Sale> &sales)
{
    JetTable table = writer.addTable(gastro ? QStringLiteral("BarverkaeufeGastro") : QStringLiteral("Barverkaeufe"),
                                     gastro ? gastroColumns() : shopColumns());
    QList<JetValue> row;
    for (const Sale &sale : sales) {
        sale.fillRow(row, gastro);
        table.addRow(row);
    }
}

} // namespace

QList<JetColumn> withPlainText(QList<JetColumn> columns, const QStringList &names)
{
    for (JetColumn &column : columns) {
        if (names.contains(column.name))
            column = JetColumn::text(column.name, 255);
    }
    return columns;
}

QList<JetColumn> shopColumns()
{
    return withPlainText(RegisterDatabase::shopSalesColumns(), certificateColumns);
}

QList<JetColumn> gastroColumns()
{
    return withPlainText(RegisterDatabase::gastroSalesColumns(),
                         certificateColumns + QStringList{QStringLiteral("JWSSignatur")});
}

void writeShop(const QString &path, const QString &password, const QList<Sale> &sales)
{
    JetDatabaseWriter writer(path, password);
    addSales(writer, false, sales);
    writer.finish();
}

void write(const QString &path, const QString &password, const QList<Sale> &shop, const QList<Sale> &gastro,
           bool withEmptyTables)
{
    JetDatabaseWriter writer(path, password);
    if (withEmptyTables || !shop.isEmpty())
        addSales(writer, false, shop);
    if (withEmptyTables || !gastro.isEmpty())
        addSales(writer, true, gastro);
    writer.addTable(QStringLiteral("Protokoll"), RegisterDatabase::logColumns());
    writer.finish();
}

QString connectionString(const QString &dataSource, const QString &password)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dataSource
        + QStringLiteral(";Jet OLEDB:Database Password=") + password + QStringLiteral(";Persist Security Info=False");
}

QString providerError(const QString &connectionString)
{
    try {
        db::openProvider(db::ConnectionString::parse(connectionString));
    } catch (const Error &error) {
        return error.message();
    }
    return QStringLiteral("(connected)");
}

} // namespace RegisterTestDatabase
