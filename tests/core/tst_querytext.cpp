#include "ConnectionString.h"
#include "CountingQuery.h"
#include "Error.h"
#include "SqlScanner.h"
#include "SqlText.h"
#include "TParameters.h"
#include "Value.h"

#include <QtTest>

using namespace db;

class TestQueryText : public QObject
{
    Q_OBJECT

private slots:
    void markersBecomePositional()
    {
        const SqlText sql = SqlText::parse(QStringLiteral(
            "select * from Barverkaeufe\r\nwhere\r\nTagesabrechnung >=:pvondatum  and \r\n"
            "Tagesabrechnung <=:pbisdatum and\r\nTagesabrechnung <>:pbisdatum2  and\r\nKassa between :pv and :PV"));
        QCOMPARE(sql.positional, QStringLiteral(
            "select * from Barverkaeufe\r\nwhere\r\nTagesabrechnung >=?  and \r\n"
            "Tagesabrechnung <=? and\r\nTagesabrechnung <>?  and\r\nKassa between ? and ?"));
        QCOMPARE(sql.markers, (std::vector<QString>{"pvondatum", "pbisdatum", "pbisdatum2", "pv", "PV"}));
        // names compare without regard to case, so :pv and :PV are one parameter
        QCOMPARE(sql.names, (std::vector<QString>{"pvondatum", "pbisdatum", "pbisdatum2", "pv"}));
    }

    void literalsAndCommentsKeepTheirColons()
    {
        const QString text = QStringLiteral(
            "select 'a:b', 'it''s :x', \"c:d\", [e:f] from t -- :g\nwhere x = :real /* :h */ and y::int = 1 and z = ':'");
        const SqlText sql = SqlText::parse(text);
        QCOMPARE(sql.markers, std::vector<QString>{"real"});
        QCOMPARE(sql.positional, QString(text).replace(QStringLiteral(":real"), QStringLiteral("?")));
        // an unterminated literal swallows the rest, it does not produce markers
        QVERIFY(SqlText::parse(QStringLiteral("select 'open :x")).markers.empty());
    }

    // Markers and the record count read a text with the same scanner:
    // "]]" inside a bracketed name, doubled quotes inside literals and
    // names, comments, and words with "@", "#" and "$".
    void oneScannerForMarkersAndCounts()
    {
        const QString text = QStringLiteral("select [a]]:b], 'it''s :c', \"d\"\":e\", x$1:f -- :g\n"
                                            "/* :h */ y#2 from t where z = :p$1 and [w]]] = :q order by x$1");
        QStringList pieces;
        SqlScanner scanner(text);
        while (!scanner.atEnd()) {
            const SqlScanner::Piece piece = scanner.next();
            if (piece.kind != SqlScanner::Other)
                pieces << QStringLiteral("%1:%2").arg(int(piece.kind)).arg(piece.text);
            QCOMPARE(piece.text, QStringView(text).mid(piece.start, piece.end - piece.start));
        }
        const QString q = QString::number(SqlScanner::Quoted) + u':';
        const QString c = QString::number(SqlScanner::Comment) + u':';
        const QString w = QString::number(SqlScanner::Word) + u':';
        QCOMPARE(pieces, (QStringList{w + "select", q + "[a]]:b]", q + "'it''s :c'", q + "\"d\"\":e\"", w + "x$1",
                                      w + "f", c + "-- :g", c + "/* :h */", w + "y#2", w + "from", w + "t",
                                      w + "where", w + "z", w + "p$1", w + "and", q + "[w]]]", w + "q", w + "order",
                                      w + "by", w + "x$1"}));

        const SqlText sql = SqlText::parse(text);
        QCOMPARE(sql.markers, (std::vector<QString>{"f", "p$1", "q"}));
        QCOMPARE(sql.positional, QString(text).replace(QStringLiteral(":f"), QStringLiteral("?"))
                                     .replace(QStringLiteral(":p$1"), QStringLiteral("?"))
                                     .replace(QStringLiteral(":q"), QStringLiteral("?")));

        // the trailing order goes from the count; an "order by" inside a
        // name or a literal is no clause
        QCOMPARE(CountingQuery::countText(sql.positional).value_or(QString()),
                 QStringLiteral("select count(*) from (%1\r\n) counted_rows")
                     .arg(sql.positional.left(sql.positional.lastIndexOf(QLatin1String(" order by"))).trimmed()));
        const QString inName = QStringLiteral("select [x]] order by y] from t");
        QCOMPARE(CountingQuery::countText(inName).value_or(QString()),
                 QStringLiteral("select count(*) from (%1\r\n) counted_rows").arg(inName));
        QVERIFY(SqlText::parse(QStringLiteral("select [x]] :a] from t")).markers.empty());
        const QString inLiteral = QStringLiteral("select a from t where b = 'it''s'' order by a'");
        QCOMPARE(CountingQuery::countText(inLiteral).value_or(QString()),
                 QStringLiteral("select count(*) from (%1\r\n) counted_rows").arg(inLiteral));
        // a word that only ends in a keyword is no keyword
        const QString dollar = QStringLiteral("select a from t order by a, x$for");
        QCOMPARE(CountingQuery::countText(dollar).value_or(QString()),
                 QStringLiteral("select count(*) from (select a from t\r\n) counted_rows"));
    }

    void accessConnectionString()
    {
        const auto cs = ConnectionString::parse(QStringLiteral(
            "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\Tidy-Pos\\Vel4TidyShop.mdb;"
            "Jet OLEDB:Database Password=;Persist Security Info=False"));
        QCOMPARE(cs.value(QStringLiteral("provider")), QStringLiteral("Microsoft.Jet.OLEDB.4.0"));
        QCOMPARE(cs.value(QStringLiteral("Data Source")), QStringLiteral("C:\\Tidy-Pos\\Vel4TidyShop.mdb"));
        QVERIFY(cs.contains(QStringLiteral("Jet OLEDB:Database Password")));
        QCOMPARE(cs.value(QStringLiteral("Jet OLEDB:Database Password")), QString());
        QCOMPARE(cs.value(QStringLiteral("Persist Security Info")), QStringLiteral("False"));
    }

    void sqlServerConnectionString()
    {
        const auto cs = ConnectionString::parse(QStringLiteral(
            "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;"
            "Initial Catalog=VelmarFaktura;Data Source= KASSE 1\\SQLEXPRESS ;"));
        QCOMPARE(cs.value(QStringLiteral("Initial Catalog")), QStringLiteral("VelmarFaktura"));
        // the server text is used as it stands, blanks included
        QCOMPARE(cs.value(QStringLiteral("Data Source")), QStringLiteral(" KASSE 1\\SQLEXPRESS "));
        QCOMPARE(cs.pairs().size(), std::size_t(5));
    }

    void quotedValuesMayHoldSemicolons()
    {
        const auto cs = ConnectionString::parse(QStringLiteral("Password=\"a;b\";User='x'; Other=1"));
        QCOMPARE(cs.value(QStringLiteral("Password")), QStringLiteral("a;b"));
        QCOMPARE(cs.value(QStringLiteral("User")), QStringLiteral("x"));
        QCOMPARE(cs.value(QStringLiteral("other")), QStringLiteral("1"));
    }

    void parametersByName()
    {
        TParameters params;
        params.reset({QStringLiteral("pvondatum"), QStringLiteral("pz1")});
        params.paramByName(QStringLiteral("PVONDATUM")).setDataType(ftDateTime);
        params.paramByName(QStringLiteral("pz1")).setDataType(ftInteger);
        // the declared type stays; the value is converted to it
        params.paramByName(QStringLiteral("pvondatum")).setValue(Value::fromDouble(43525.0));
        QCOMPARE(params.at(0).value(), Value::fromDateTime(43525.0));
        params.paramByName(QStringLiteral("pz1")).setValue(Value::fromDouble(2.0));
        QCOMPARE(params.at(1).value(), Value::fromInt(2));
        // a new text keeps what was declared under the same name
        params.reset({QStringLiteral("pz1"), QStringLiteral("pz7")});
        QCOMPARE(params.at(0).value(), Value::fromInt(2));
        QVERIFY(params.at(1).value().isNull());
        try {
            params.paramByName(QStringLiteral("pfirma"));
            QFAIL("unknown parameter found");
        } catch (const Error &e) {
            QCOMPARE(e.message(), QStringLiteral("Parameter 'pfirma' nicht gefunden"));
        }
    }

    void nullHasNoText()
    {
        try {
            Value().toText();
            QFAIL("Null converted");
        } catch (const Error &e) {
            QCOMPARE(e.message(), QStringLiteral("Could not convert variant of type (Null) into type (String)"));
        }
        QCOMPARE(Value::fromString(QString()).toText(), QString());
    }
};

QTEST_APPLESS_MAIN(TestQueryText)
#include "tst_querytext.moc"
