#include "AccessTestDatabase.h"

#include "FormatSettings.h"
#include "JetDatabaseWriter.h"

#include <QFile>
#include <QTest>

namespace AccessTestDatabase {

FormatSettings germanFormats()
{
    FormatSettings s;
    s.decimalSeparator = u',';
    s.thousandSeparator = u'.';
    s.dateSeparator = u'.';
    s.timeSeparator = u':';
    s.shortDateFormat = QStringLiteral("dd/mm/yyyy");
    s.longTimeFormat = QStringLiteral("hh:nn:ss");
    return s;
}

QString connectionString(const QString &dataSource, const QString &password)
{
    return QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=") + dataSource
        + QStringLiteral(";Jet OLEDB:Database Password=") + password + QStringLiteral(";Persist Security Info=False");
}

QList<JetColumn> shopColumns()
{
    return {
        JetColumn::of(QStringLiteral("ID_Barverkaufspositionen"), JetType::Long),
        JetColumn::of(QStringLiteral("Barverkauf_nr"), JetType::Long),
        JetColumn::of(QStringLiteral("Firma"), JetType::Long),
        JetColumn::of(QStringLiteral("Kassa"), JetType::Long),
        JetColumn::of(QStringLiteral("Tagesabrechnung"), JetType::DateTime),
        JetColumn::of(QStringLiteral("Status"), JetType::Integer),
        JetColumn::of(QStringLiteral("Zahlungsart"), JetType::Integer),
        JetColumn::text(QStringLiteral("Artikelnummer"), 20),
        JetColumn::text(QStringLiteral("Bezeichnung"), 50),
        JetColumn::of(QStringLiteral("Menge"), JetType::Double),
        JetColumn::of(QStringLiteral("Einzelpreis"), JetType::Currency),
        JetColumn::of(QStringLiteral("Betrag"), JetType::Currency),
        JetColumn::of(QStringLiteral("MwStSatz"), JetType::Single),
        JetColumn::of(QStringLiteral("Storno"), JetType::Boolean),
        JetColumn::of(QStringLiteral("Periode_bv"), JetType::Long),
        JetColumn::text(QStringLiteral("Signaturzertifikat"), 255),
        JetColumn::text(QStringLiteral("Zertifizierungsstellen"), 255),
        JetColumn::of(QStringLiteral("JWSSignatur"), JetType::Memo),
        JetColumn::of(QStringLiteral("Bemerkung"), JetType::Memo),
    };
}

QList<JetValue> Sale::values() const
{
    return {id, nummer, firma, kassa, JetValue(settled), status, zahlungsart, article, name, quantity, price,
            price, vat, storno, periode, certificate, authority, signature, remark};
}

void writeShop(const QString &path, const QString &password, const QList<Sale> &sales)
{
    JetDatabaseWriter writer(path, password);
    JetTable table = writer.addTable(QStringLiteral("Barverkaeufe"), shopColumns());
    for (const Sale &sale : sales)
        table.addRow(sale.values());
    writer.finish();
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

} // namespace AccessTestDatabase
