#include "QueryDesign.h"

#include "TADOQuery.h"

#include <QStringList>

#include <span>

// The query texts are kept line for line as the register's programs have
// always sent them, blanks and empty lines included.

namespace QueryDesign {

namespace {

struct Declaration
{
    const char *name;
    db::FieldType type;
};

constexpr Declaration periodParameters[] = {
    {"pvondatum", db::ftDateTime},
    {"pbisdatum", db::ftDateTime},
    {"pbisdatum2", db::ftDateTime},
};

constexpr Declaration dep7Constants[] = {
    {"pfirma", db::ftInteger},
    {"pvonkassa", db::ftInteger},
    {"pbiskassa", db::ftInteger},
};

void setTypes(db::TADOQuery &query, std::span<const Declaration> parameters)
{
    for (const Declaration &d : parameters)
        query.parameters().paramByName(QLatin1String(d.name)).setDataType(d.type);
}

void declare(db::TADOQuery &query, const QStringList &lines, std::span<const Declaration> parameters)
{
    query.setSql(lines);
    setTypes(query, parameters);
}

// The DEP 131 text of an edition: `table` as it follows "from", `blank`
// between each comparison and its parameter (the gastro text has one, the
// shop text none).
QStringList dep131Lines(const char *table, const char *blank)
{
    const QLatin1String b(blank);
    return {
        QStringLiteral("select * from ") + QLatin1String(table),
        QStringLiteral("where"),
        QStringLiteral("Tagesabrechnung >=") + b + QStringLiteral(":pvondatum  and "),
        QStringLiteral("Tagesabrechnung <=") + b + QStringLiteral(":pbisdatum and"),
        QStringLiteral("Tagesabrechnung <>") + b + QStringLiteral(":pbisdatum2  and"),
        QStringLiteral("Status >= 1"),
        QString(),
        QString(),
        QStringLiteral("order by ID_Barverkaufspositionen desc"),
    };
}

// The DEP 131 and LOG queries: all rows of the period, read by a static
// cursor from a prepared statement.
void setUpListing(db::TADOQuery &query, const QStringList &lines)
{
    declare(query, lines, periodParameters);
    query.setCursorType(db::ctStatic);
    query.setPrepared(true);
}

// The receipts by certificate, as the window exports them; or in the order
// the register made them, each register's chain from receipt to receipt.
QString dep7OrderLine(Dep7Order order)
{
    switch (order) {
    case Dep7Order::ChainOrder: return QStringLiteral("order by Periode_bv,Barverkauf_nr,Signaturzertifikat,JWSSignatur ");
    case Dep7Order::RegisterNumbers: return QStringLiteral("order by Kassa");
    case Dep7Order::ByCertificate: break;
    }
    return QStringLiteral("order by Signaturzertifikat,Periode_bv,Barverkauf_nr,JWSSignatur ");
}

QStringList dep7Lines(const char *table, int paymentTypes, int emptyLinesAfterList, Dep7Order order)
{
    QStringList lines = {
        order == Dep7Order::RegisterNumbers
            ? QStringLiteral("select distinct Kassa")
            : QStringLiteral("select distinct Signaturzertifikat,Zertifizierungsstellen,Periode_bv,Barverkauf_nr,JWSSignatur"),
        QStringLiteral("from ") + QLatin1String(table),
        QStringLiteral("where"),
        QStringLiteral("Firma =:pfirma   and"),
        QStringLiteral("Kassa between :pvonkassa  and :pbiskassa and"),
        QStringLiteral("Tagesabrechnung >= :pvondatum  and "),
        QStringLiteral("Tagesabrechnung <= :pbisdatum and"),
        QStringLiteral("Tagesabrechnung <> :pbisdatum2  and"),
        QStringLiteral("Status >= 1 and"),
        QStringLiteral("Signaturzertifikat <> '' and"),
        QStringLiteral("Signaturzertifikat <> 'A' and"),
        QStringLiteral("("),
    };
    for (int i = 1; i < paymentTypes; ++i)
        lines << QStringLiteral("(Zahlungsart=:pz%1) or").arg(i);
    lines << QStringLiteral("(Zahlungsart=:pz%1)").arg(paymentTypes);
    lines << QString() << QStringLiteral(")");
    for (int i = 0; i < emptyLinesAfterList; ++i)
        lines << QString();
    lines << dep7OrderLine(order);
    return lines;
}

void declareDep7(db::TADOQuery &query, const QStringList &lines, int paymentTypes)
{
    declare(query, lines, dep7Constants);
    setTypes(query, periodParameters);
    for (int i = 1; i <= paymentTypes; ++i)
        query.parameters().paramByName(QStringLiteral("pz%1").arg(i)).setDataType(db::ftInteger);
}

} // namespace

void setUpDep131Shop(db::TADOQuery &query)
{
    setUpListing(query, dep131Lines("Barverkaeufe", ""));
}

void setUpDep131Gastro(db::TADOQuery &query)
{
    setUpListing(query, dep131Lines("BarverkaeufeGastro ", " "));
}

// The shop list of payment types ends with a seventh alternative whose
// parameter is never bound: it stays Null and matches no row.
void setUpDep7Shop(db::TADOQuery &query, Dep7Order order)
{
    declareDep7(query, dep7Lines("Barverkaeufe", 7, 1, order), 7);
    query.setPrepared(true);
}

void setUpDep7Gastro(db::TADOQuery &query, Dep7Order order)
{
    declareDep7(query, dep7Lines("BarverkaeufeGastro", 6, 2, order), 6);
}

void setUpLog(db::TADOQuery &query)
{
    setUpListing(query,
                 {
                     QStringLiteral("select * from Protokoll"),
                     QStringLiteral("where"),
                     QStringLiteral("DatumZeit>=:pvondatum  and "),
                     QStringLiteral("DatumZeit<=:pbisdatum and"),
                     QStringLiteral("DatumZeit<>:pbisdatum2  "),
                     QString(),
                     QStringLiteral("order by DatumZeit desc"),
                 });
}

} // namespace QueryDesign
