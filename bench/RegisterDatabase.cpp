#include "RegisterDatabase.h"

#include "JetDatabaseWriter.h"
#include "OleDate.h"

#include <QByteArray>
#include <QDate>

#include <array>
#include <cmath>

namespace RegisterDatabase {

namespace {

const QDate firstDay(2017, 3, 1);
constexpr int periodDays = 730;
constexpr double openingHour = 7.0;
constexpr double openHours = 15.0;

// A small, fast generator (xorshift64*), so that a seed gives the same data
// on every machine.
class Random
{
public:
    explicit Random(quint64 seed) : m_state(seed ? seed : 0x9E3779B97F4A7C15ull) {}

    quint64 next()
    {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1Dull;
    }
    int below(int n) { return int(next() % quint64(n)); }
    bool chance(double p) { return double(next() >> 11) * (1.0 / 9007199254740992.0) < p; }
    QByteArray bytes(int n)
    {
        QByteArray out(n, '\0');
        for (int i = 0; i < n; i += 8) {
            const quint64 r = next();
            for (int k = 0; k < 8 && i + k < n; ++k)
                out[i + k] = char(r >> (8 * k));
        }
        return out;
    }

private:
    quint64 m_state;
};

struct Article
{
    const char *number;
    const char *name;
    qint64 price; // ten-thousandths
    float vat;
};

const std::array<Article, 16> articles = {{
    {"A10001", "Melange", 39000, 10.0f},
    {"A10002", "Großer Brauner", 42000, 10.0f},
    {"A10003", "Verlängerter", 36000, 10.0f},
    {"A10010", "Sachertorte", 49000, 10.0f},
    {"A10011", "Apfelstrudel mit Schlag", 45000, 10.0f},
    {"A10012", "Kaiserschmarrn", 98000, 10.0f},
    {"A10020", "Wiener Schnitzel vom Kalb", 219000, 10.0f},
    {"A10021", "Käsespätzle", 115000, 10.0f},
    {"A10022", "Tafelspitz mit Röstkartoffeln", 198000, 10.0f},
    {"A10030", "Almdudler 0,5 l", 38000, 20.0f},
    {"A10031", "Grüner Veltliner 1/8 l", 32000, 20.0f},
    {"A10032", "Zipfer Märzen 0,5 l", 44000, 20.0f},
    {"A10040", "Gutschein € 10", 100000, 0.0f},
    {"A10041", "Mannerschnitten 75 g", 15900, 13.0f},
    {"A10042", "Trinkgeld", 10000, 0.0f},
    {"A10050", "Übernachtung Zimmer 12", 890000, 13.0f},
}};

const std::array<const char *, 3> certificationBodies = {"AT1", "AT2", "AT3"};
const char jwsHeader[] = "eyJhbGciOiJFUzI1NiJ9"; // {"alg":"ES256"}

const std::array<const char *, 6> users = {"Chef", "Kellner 1", "Kellnerin 2", "Müller", "Gruber", "Aushilfe Jürgen"};
const std::array<const char *, 10> events = {
    "Anmeldung", "Abmeldung", "Tagesabschluss", "Kassenlade geöffnet", "Storno Beleg",
    "Monatsbeleg erstellt", "Nullbeleg erstellt", "Signaturerstellungseinheit ausgefallen",
    "Signaturerstellungseinheit wieder verfügbar", "Datenerfassungsprotokoll exportiert"};

QString base64Url(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString amountText(qint64 tenThousandths)
{
    const qint64 cents = tenThousandths / 100;
    const qint64 abs = cents < 0 ? -cents : cents;
    return QStringLiteral("%1%2,%3").arg(cents < 0 ? "-" : "").arg(abs / 100).arg(abs % 100, 2, 10, QLatin1Char('0'));
}

// The point in time of row `index` of `count`: spread evenly over the two
// years, within the opening hours of each day, never going backwards.
double timeOfRow(qint64 index, qint64 count)
{
    const double progress = count > 0 ? double(index) * periodDays / double(count) : 0.0;
    const double day = std::floor(progress);
    const double hours = openingHour + (progress - day) * openHours;
    const double seconds = std::floor(hours * 3600.0);
    return OleDate::fromDate(firstDay) + day + seconds / 86400.0;
}

// The cash-sale rows of one edition, a receipt of one to four positions at
// a time.
class SalesGenerator
{
public:
    SalesGenerator(quint64 seed, bool gastro) : m_random(seed), m_gastro(gastro)
    {
        Random certificates(seed ^ 0xC0FFEE);
        for (QString &certificate : m_certificates)
            certificate = QString::fromLatin1(certificates.bytes(150).toBase64());
    }

    void fill(JetTable &table, qint64 count)
    {
        QList<JetValue> row;
        row.reserve(20);
        for (qint64 i = 0; i < count; ++i) {
            if (m_positionsLeft == 0)
                startReceipt(i, count);
            --m_positionsLeft;
            makeRow(row, i);
            table.addRow(row);
        }
    }

private:
    void startReceipt(qint64 index, qint64 count)
    {
        m_positionsLeft = 1 + (m_random.chance(0.5) ? 0 : m_random.below(4));
        m_company = m_random.chance(0.9) ? 1 : 2;
        m_register = m_company == 1 ? 1 + m_random.below(3) : 4 + m_random.below(2);
        m_receiptNumber = ++m_lastNumber[m_register];
        const int p = m_random.below(100);
        m_payment = p < 60 ? 0 : p < 85 ? 1 : 2 + m_random.below(6);
        const int s = m_random.below(100);
        m_status = s < 90 ? 1 : s < 94 ? 0 : s < 97 ? 2 : -1;
        m_time = timeOfRow(index, count);
        // Plain date and time, not QDateTime: no time zone lookups per row.
        const QDate date = OleDate::toDate(m_time);
        const QTime time = QTime::fromMSecsSinceStartOfDay(OleDate::timeOfDayMs(m_time));
        m_period = date.year() * 100 + date.month();
        m_table = m_random.chance(0.15) ? QStringLiteral("Bar") : QStringLiteral("T%1").arg(1 + m_random.below(30));
        const int half = date.year() * 2 + (date.month() > 6 ? 1 : 0);
        m_certificateIndex = (m_register + half) % int(m_certificates.size());
        m_hasCertificate = m_status != -1 || m_random.chance(0.5);
        // A few shop receipts lack their signature (a memo column, read as
        // empty). The gastronomy register keeps it in a plain text column and
        // signs every valid receipt: a NULL there stops its DEP 7 export.
        const bool withoutSignature = m_status == -1 || (!m_gastro && m_random.chance(0.01));
        m_signature = withoutSignature ? QString() : makeSignature(date, time);
    }

    QString makeSignature(QDate date, QTime time)
    {
        QString payload = QStringLiteral("_R1-%1_K%2_%3-%4_%5_%6_0,00_0,00_0,00_0,00_%7")
                              .arg(QLatin1String(certificationBodies[size_t(m_certificateIndex) % certificationBodies.size()]))
                              .arg(m_register)
                              .arg(date.year())
                              .arg(m_receiptNumber)
                              .arg(date.toString(Qt::ISODate) + QLatin1Char('T') + time.toString(Qt::ISODate))
                              .arg(amountText(qint64(m_random.below(20000)) * 100))
                              .arg(QString::fromLatin1(m_random.bytes(8).toBase64()));
        if (!m_gastro) // the shop edition also keeps the certificate serial and the chained value
            payload += QStringLiteral("_%1_%2").arg(QString::fromLatin1(m_random.bytes(8).toHex()),
                                                    QString::fromLatin1(m_random.bytes(8).toBase64()));
        QString jws = QLatin1String(jwsHeader) + QLatin1Char('.') + base64Url(payload.toUtf8()) + QLatin1Char('.')
            + base64Url(m_random.bytes(64));
        if (m_gastro && jws.size() > 255)
            jws.truncate(255);
        return jws;
    }

    void makeRow(QList<JetValue> &row, qint64 index)
    {
        const Article &article = articles[size_t(m_random.below(int(articles.size())))];
        const double quantity = m_random.chance(0.8) ? 1.0 : m_random.chance(0.8) ? double(2 + m_random.below(4)) : 0.5;
        const bool cancelled = m_random.chance(0.02);
        const qint64 amount = qint64(std::llround(double(article.price) * quantity)) * (cancelled ? -1 : 1);

        row.clear();
        row << JetValue(qint64(index + 1)) << JetValue(qint64(m_receiptNumber)) << JetValue(m_company)
            << JetValue(m_register);
        if (m_gastro)
            row << JetValue(m_table);
        row << JetValue::oleDate(m_time) << JetValue(m_status) << JetValue(m_payment)
            << JetValue(QString::fromLatin1(article.number)) << JetValue(QString::fromUtf8(article.name))
            << JetValue(quantity) << JetValue::currency(article.price) << JetValue::currency(amount)
            << JetValue(double(article.vat)) << JetValue(cancelled) << JetValue(m_period);
        if (m_hasCertificate)
            row << JetValue(m_certificates[size_t(m_certificateIndex)])
                << JetValue(QLatin1String(certificationBodies[size_t(m_certificateIndex) % certificationBodies.size()]));
        else
            row << JetValue() << JetValue();
        row << (m_signature.isEmpty() ? JetValue() : JetValue(m_signature));
        row << remark();
    }

    JetValue remark()
    {
        const int r = m_random.below(10000);
        if (r < 9400)
            return {};
        if (r < 9900)
            return QStringLiteral("Gast wünscht Rechnung auf Firma, Beleg %1").arg(m_receiptNumber);
        if (r < 9998)
            return QStringLiteral("Reklamation: ") + QStringLiteral("Speise zurückgegeben, Ersatz serviert. ").repeated(20 + m_random.below(20));
        return QStringLiteral("Übergabeprotokoll Schichtwechsel. ").repeated(160); // stored in long-value pages
    }

    Random m_random;
    bool m_gastro;
    std::array<QString, 5> m_certificates;
    std::array<int, 8> m_lastNumber{};
    int m_positionsLeft = 0;
    int m_company = 1;
    int m_register = 1;
    int m_receiptNumber = 0;
    int m_payment = 0;
    int m_status = 1;
    int m_period = 0;
    double m_time = 0;
    QString m_table;
    int m_certificateIndex = 0;
    bool m_hasCertificate = true;
    QString m_signature;
};

void fillLog(JetTable &table, qint64 count, quint64 seed)
{
    Random random(seed);
    QList<JetValue> row;
    for (qint64 i = 0; i < count; ++i) {
        const int event = random.below(int(events.size()));
        JetValue details;
        if (random.chance(0.4))
            details = QStringLiteral("Kassa %1: %2 durch %3, Beleg %4")
                          .arg(1 + random.below(5))
                          .arg(QString::fromUtf8(events[size_t(event)]))
                          .arg(QString::fromUtf8(users[size_t(random.below(int(users.size())))]))
                          .arg(random.below(100000));
        row.clear();
        row << JetValue(qint64(i + 1)) << JetValue::oleDate(timeOfRow(i, count)) << JetValue(1 + random.below(5))
            << JetValue(QString::fromUtf8(users[size_t(random.below(int(users.size())))]))
            << JetValue(QString::fromUtf8(events[size_t(event)])) << details;
        table.addRow(row);
    }
}

} // namespace

QList<JetColumn> shopSalesColumns()
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

QList<JetColumn> gastroSalesColumns()
{
    QList<JetColumn> columns = shopSalesColumns();
    columns.insert(4, JetColumn::text(QStringLiteral("Tisch"), 10));
    for (JetColumn &column : columns)
        if (column.name == QLatin1String("JWSSignatur"))
            column = JetColumn::text(QStringLiteral("JWSSignatur"), 255);
    return columns;
}

QList<JetColumn> logColumns()
{
    return {
        JetColumn::of(QStringLiteral("ID"), JetType::Long),
        JetColumn::of(QStringLiteral("DatumZeit"), JetType::DateTime),
        JetColumn::of(QStringLiteral("Kassa"), JetType::Long),
        JetColumn::text(QStringLiteral("Benutzer"), 50),
        JetColumn::text(QStringLiteral("Ereignis"), 100),
        JetColumn::of(QStringLiteral("Details"), JetType::Memo),
    };
}

void addTables(JetDatabaseWriter &writer, const RegisterDatabaseOptions &options)
{
    const qint64 salesRows = qMax(0, options.salesRows);
    const qint64 logRows = options.logRows < 0 ? salesRows : options.logRows;

    JetTable shop = writer.addTable(QStringLiteral("Barverkaeufe"), shopSalesColumns());
    SalesGenerator(options.seed, false).fill(shop, salesRows);
    JetTable gastro = writer.addTable(QStringLiteral("BarverkaeufeGastro"), gastroSalesColumns());
    SalesGenerator(options.seed + 1, true).fill(gastro, salesRows);
    JetTable log = writer.addTable(QStringLiteral("Protokoll"), logColumns());
    fillLog(log, logRows, options.seed + 2);
}

void write(const QString &path, const RegisterDatabaseOptions &options)
{
    JetDatabaseWriter writer(path, options.password);
    writer.setCreationDate(QDateTime(firstDay, QTime(8, 0)));
    addTables(writer, options);
    writer.finish();
}

} // namespace RegisterDatabase
