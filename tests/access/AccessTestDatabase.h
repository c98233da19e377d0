#pragma once

#include "JetColumn.h"
#include "JetValue.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

struct FormatSettings;

// Databases for the Access provider's tests, written by our Jet writer.
namespace AccessTestDatabase {

// The formats of an Austrian desktop: decimal comma, dd.mm.yyyy, hh:nn:ss.
FormatSettings germanFormats();

// The connection string the main window builds for an Access variant.
QString connectionString(const QString &dataSource, const QString &password);

// The columns of the shop edition's cash-sale table Barverkaeufe.
QList<JetColumn> shopColumns();

// One row of Barverkaeufe; the columns not named keep plausible values.
struct Sale
{
    int id = 0;
    QDateTime settled;
    int status = 1;
    int firma = 1;
    int kassa = 1;
    int zahlungsart = 0;
    int periode = 1;
    int nummer = 1;
    JetValue certificate = QStringLiteral("CERT-1");
    JetValue authority = QStringLiteral("A-Trust");
    JetValue signature = QStringLiteral("eyJhbGciOiJFUzI1NiJ9.x.y");
    JetValue article = QStringLiteral("4711");
    JetValue name = QStringLiteral("Melange");
    JetValue quantity = 1.0;
    JetValue price = JetValue::currency(34500);
    JetValue vat = 20.0;
    bool storno = false;
    JetValue remark = nullptr;

    QList<JetValue> values() const;
};

// Writes `sales` into a table Barverkaeufe of a new database at `path`.
void writeShop(const QString &path, const QString &password, const QList<Sale> &sales);

QByteArray readFile(const QString &path);
void writeFile(const QString &path, const QByteArray &bytes);

} // namespace AccessTestDatabase
