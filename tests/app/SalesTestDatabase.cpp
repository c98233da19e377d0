#include "SalesTestDatabase.h"

#include "JetDatabaseWriter.h"

#include <QDir>
#include <QFile>

namespace {

QList<JetColumn> salesColumns(bool gastro)
{
    QList<JetColumn> columns = {
        JetColumn::of(QStringLiteral("ID_Barverkaufspositionen"), JetType::Long),
        JetColumn::of(QStringLiteral("Barverkauf_nr"), JetType::Long),
        JetColumn::of(QStringLiteral("Firma"), JetType::Long),
        JetColumn::of(QStringLiteral("Kassa"), JetType::Long),
    };
    if (gastro)
        columns << JetColumn::text(QStringLiteral("Tisch"), 10);
    columns << JetColumn::of(QStringLiteral("Tagesabrechnung"), JetType::DateTime)
            << JetColumn::of(QStringLiteral("Status"), JetType::Integer)
            << JetColumn::of(QStringLiteral("Zahlungsart"), JetType::Integer)
            << JetColumn::text(QStringLiteral("Artikelnummer"), 20)
            << JetColumn::text(QStringLiteral("Bezeichnung"), 50)
            << JetColumn::of(QStringLiteral("Menge"), JetType::Double)
            << JetColumn::of(QStringLiteral("Einzelpreis"), JetType::Currency)
            << JetColumn::of(QStringLiteral("Betrag"), JetType::Currency)
            << JetColumn::of(QStringLiteral("MwStSatz"), JetType::Single)
            << JetColumn::of(QStringLiteral("Storno"), JetType::Boolean)
            << JetColumn::of(QStringLiteral("Periode_bv"), JetType::Long)
            << JetColumn::text(QStringLiteral("Signaturzertifikat"), 255)
            << JetColumn::text(QStringLiteral("Zertifizierungsstellen"), 255);
    if (gastro)
        columns << JetColumn::text(QStringLiteral("JWSSignatur"), 255);
    else
        columns << JetColumn::of(QStringLiteral("JWSSignatur"), JetType::Memo);
    columns << JetColumn::of(QStringLiteral("Bemerkung"), JetType::Memo);
    return columns;
}

QList<JetValue> salesRow(const Sale &sale, bool gastro)
{
    QList<JetValue> row = {sale.id, sale.receipt, sale.company, sale.cashRegister};
    if (gastro)
        row << JetValue("T1");
    row << (sale.settled.isValid() ? JetValue(sale.settled) : JetValue()) << sale.status << sale.paymentType << JetValue("4711") << JetValue("Melange")
        << 1.0 << JetValue::currency(34500) << JetValue::currency(34500) << 10.0 << false << sale.period
        << sale.certificate << sale.authorities << sale.signature << JetValue();
    return row;
}

void addSales(JetDatabaseWriter &writer, const QString &name, const QList<Sale> &sales, bool gastro)
{
    JetTable table = writer.addTable(name, salesColumns(gastro));
    for (const Sale &sale : sales)
        table.addRow(salesRow(sale, gastro));
}

} // namespace

SalesTestDatabase::SalesTestDatabase() : m_folder(m_dir.path()) {}

void SalesTestDatabase::write(const QString &fileName, const QList<Sale> &shop, const QList<Sale> &gastro,
                             const QString &password, bool withEmptyTables)
{
    JetDatabaseWriter writer(path(fileName), password);
    if (withEmptyTables || !shop.isEmpty())
        addSales(writer, QStringLiteral("Barverkaeufe"), shop, false);
    if (withEmptyTables || !gastro.isEmpty())
        addSales(writer, QStringLiteral("BarverkaeufeGastro"), gastro, true);
    writer.addTable(QStringLiteral("Protokoll"),
                    {JetColumn::of(QStringLiteral("ID"), JetType::Long),
                     JetColumn::of(QStringLiteral("DatumZeit"), JetType::DateTime),
                     JetColumn::of(QStringLiteral("Kassa"), JetType::Long),
                     JetColumn::text(QStringLiteral("Benutzer"), 50), JetColumn::text(QStringLiteral("Ereignis"), 100),
                     JetColumn::of(QStringLiteral("Details"), JetType::Memo)});
    writer.finish();
}

QStringList SalesTestDatabase::otherFiles() const
{
    QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    names.removeIf([](const QString &name) { return name.endsWith(QLatin1String(".mdb")); });
    return names;
}

QByteArray SalesTestDatabase::read(const QString &name) const
{
    QFile file(path(name));
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}
