#include "RegisterDatabase.h"

#include "Error.h"
#include "JetDatabaseWriter.h"
#include "OleDate.h"
#include "RegisterSigner.h"
#include "Sale.h"
#include "SeededRandom.h"
#include "SignatureDevices.h"

#include <QByteArray>
#include <QDate>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace RegisterDatabase {

namespace {

const QDate firstDay(2017, 3, 1);
constexpr int periodDays = 730;
constexpr double openingHour = 7.0;
constexpr double openHours = 15.0;

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

const std::array<const char *, 6> users = {"Chef", "Kellner 1", "Kellnerin 2", "Müller", "Gruber", "Aushilfe Jürgen"};
const std::array<const char *, 10> events = {
    "Anmeldung", "Abmeldung", "Tagesabschluss", "Kassenlade geöffnet", "Storno Beleg",
    "Monatsbeleg erstellt", "Nullbeleg erstellt", "Signaturerstellungseinheit ausgefallen",
    "Signaturerstellungseinheit wieder verfügbar", "Datenerfassungsprotokoll exportiert"};

// Receipts without sales: the register's first receipt, the null receipt
// that closes a month, the one after the signature device works again.
const Article startArticle = {"S0", "Startbeleg", 0, 0.0f};
const Article monthEndArticle = {"N0", "Monatsbeleg", 0, 0.0f};
const Article afterFailureArticle = {"N1", "Nullbeleg", 0, 0.0f};

// Which of the payload's five sums a tax rate goes to: normal, reduced 1,
// reduced 2, zero, special.
size_t sumIndex(float vat)
{
    return vat == 20.0f ? 0 : vat == 10.0f ? 1 : vat == 13.0f ? 2 : vat == 0.0f ? 3 : 4;
}

int monthOf(QDate date)
{
    return date.year() * 100 + date.month();
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

struct Position
{
    const Article *article;
    double quantity;
    qint64 amount; // ten-thousandths, whole cents
    bool cancelled;
};

// What a receipt is in the register's chain. Unchained receipts (not
// finished, deleted, or of payment types the journal leaves out) carry no
// signature.
enum class ReceiptKind { Sale, Training, Cancellation, Start, MonthEnd, AfterFailure, Unchained };

struct Receipt
{
    ReceiptKind kind = ReceiptKind::Sale;
    int company = 1;
    int cashRegister = 1;
    int number = 0;
    int payment = 0;
    int status = 1;
    double time = 0;
    int period = 0; // Periode_bv: year and month, 201703
    QString table;
    std::vector<Position> positions;
    bool hasCertificate = true;
    int device = -1;
    QString signature;
};

// A register as its chain stands after its last receipt.
struct CashRegister
{
    QByteArray id;
    int company = 1;
    int device = -1;
    std::optional<rksv::RegisterSigner> signer;
    bool started = false;
    int lastNumber = 0;
    int openMonth = 0; // month of the last receipt until its month-end receipt, then 0
    int failingLeft = 0; // receipts still to make while the device is out of order
    bool failed = false;
    bool needsNullReceipt = false;
    bool replaced = false;
};

// The register that loses its signature device for a run of receipts once
// this share of the rows is written, and the one whose card is replaced.
constexpr int failingRegister = 2;
constexpr double failureAt = 0.55;
constexpr int failedReceipts = 3;
constexpr int replacedRegister = 3;
constexpr double replacementAt = 0.4;

// The cash-sale rows of one edition, a receipt of one to four positions at
// a time, each receipt chained and signed as the register's signature
// device does it.
class SalesGenerator
{
public:
    SalesGenerator(quint64 seed, bool gastro, SignatureDevices &devices)
        : m_random(seed), m_gastro(gastro), m_devices(devices)
    {
        for (size_t n = 1; n < m_registers.size(); ++n) {
            CashRegister &r = m_registers[n];
            r.id = (gastro ? "GASTRO-" : "KASSE-") + QByteArray::number(qulonglong(n));
            r.company = n <= 3 ? 1 : 2;
            r.signer.emplace(r.id, devices.aesKey(), devices.trustService().toByteArray());
            useDevice(r, devices.add());
        }
    }

    void fill(JetTable &table, qint64 count)
    {
        QList<JetValue> row;
        row.reserve(20);
        size_t position = 0;
        for (qint64 i = 0; i < count; ++i) {
            if (position == m_receipt.positions.size()) {
                m_receipt = nextReceipt(i, count);
                position = 0;
            }
            makeRow(row, i, m_receipt.positions[position++]);
            table.addRow(row);
        }
    }

private:
    // The next sale, or the receipt a register has to make before it: its
    // start receipt, the null receipts of the registers that worked in a
    // month that has ended, the null receipt after its device failed.
    Receipt nextReceipt(qint64 index, qint64 count)
    {
        if (!m_pending)
            m_pending = drawSale(index, count);
        const int saleMonth = monthOf(OleDate::toDate(m_pending->time));
        CashRegister *r = &m_registers[size_t(m_pending->cashRegister)];
        Receipt out;
        if (CashRegister *closing = registerToCloseMonth(saleMonth)) {
            r = closing;
            out = nullReceipt(ReceiptKind::MonthEnd, *r, m_lastTime);
        } else if (m_pending->kind == ReceiptKind::Unchained) {
            out = takePending();
        } else if (!r->started) {
            out = nullReceipt(ReceiptKind::Start, *r, m_pending->time);
        } else if (r->needsNullReceipt) {
            out = nullReceipt(ReceiptKind::AfterFailure, *r, m_pending->time);
        } else {
            changeDevice(*r, double(index) / double(count));
            out = takePending();
        }
        out.number = ++r->lastNumber;
        out.device = r->device;
        out.period = monthOf(OleDate::toDate(out.time));
        if (out.kind != ReceiptKind::Unchained)
            chain(out, *r);
        m_lastTime = out.time;
        return out;
    }

    // A register that made receipts in the month before `month` and has not
    // closed it yet. The month-end receipts are dated at the last receipt of
    // the table, so time never goes backwards from row to row.
    CashRegister *registerToCloseMonth(int month)
    {
        for (CashRegister &r : m_registers) {
            if (r.started && r.openMonth != 0 && r.openMonth < month)
                return &r;
        }
        return nullptr;
    }

    Receipt takePending()
    {
        Receipt out = std::move(*m_pending);
        m_pending.reset();
        return out;
    }

    // The card of one register is replaced, another's device fails for a
    // few receipts, once the rows have got that far.
    void changeDevice(CashRegister &r, double progress)
    {
        const size_t n = size_t(&r - m_registers.data());
        if (n == replacedRegister && !r.replaced && progress >= replacementAt) {
            useDevice(r, m_devices.add(r.device));
            r.replaced = true;
        }
        if (n == failingRegister && !r.failed && progress >= failureAt) {
            r.failingLeft = failedReceipts;
            r.failed = true;
        }
    }

    void useDevice(CashRegister &r, int device)
    {
        r.device = device;
        r.signer->useDevice(m_devices.key(device), m_devices.serial(device));
    }

    Receipt drawSale(qint64 index, qint64 count)
    {
        Receipt s;
        s.company = m_random.chance(0.9) ? 1 : 2;
        s.cashRegister = s.company == 1 ? 1 + m_random.below(3) : 4 + m_random.below(2);
        const int p = m_random.below(100);
        s.payment = p < 60 ? 0 : p < 85 ? 1 : 2 + m_random.below(6);
        const int st = m_random.below(100);
        s.status = st < 90 ? 1 : st < 94 ? 0 : st < 97 ? 2 : -1;
        s.time = timeOfRow(index, count);
        s.table = m_random.chance(0.15) ? QStringLiteral("Bar") : QStringLiteral("T%1").arg(1 + m_random.below(30));
        const bool journaled = s.status >= 1 && s.payment <= 5;
        s.kind = !journaled ? ReceiptKind::Unchained
               : m_random.chance(0.01) ? ReceiptKind::Training
               : m_random.chance(0.015) ? ReceiptKind::Cancellation
                                        : ReceiptKind::Sale;
        s.hasCertificate = s.status != -1 || m_random.chance(0.5);
        const int positions = 1 + (m_random.chance(0.5) ? 0 : m_random.below(4));
        for (int i = 0; i < positions; ++i) {
            const Article &article = articles[size_t(m_random.below(int(articles.size())))];
            const double quantity = m_random.chance(0.8) ? 1.0 : m_random.chance(0.8) ? double(2 + m_random.below(4)) : 0.5;
            const bool cancelled = s.kind == ReceiptKind::Cancellation || m_random.chance(0.02);
            const qint64 amount = std::llround(double(article.price) * quantity / 100.0) * 100 * (cancelled ? -1 : 1);
            s.positions.push_back({&article, quantity, amount, cancelled});
        }
        return s;
    }

    Receipt nullReceipt(ReceiptKind kind, const CashRegister &r, double time)
    {
        Receipt s;
        s.kind = kind;
        s.company = r.company;
        s.cashRegister = int(&r - m_registers.data());
        s.time = time;
        s.table = QStringLiteral("Bar");
        const Article *article = kind == ReceiptKind::Start ? &startArticle
                               : kind == ReceiptKind::MonthEnd ? &monthEndArticle
                                                               : &afterFailureArticle;
        s.positions.push_back({article, 1.0, 0, false});
        return s;
    }

    // Signs the receipt into its register's chain, its sums by tax rate.
    void chain(Receipt &receipt, CashRegister &r)
    {
        using Kind = rksv::RegisterSigner::Kind;
        const QDate date = OleDate::toDate(receipt.time);
        const QTime time = QTime::fromMSecsSinceStartOfDay(OleDate::timeOfDayMs(receipt.time));
        rksv::RegisterSigner::Receipt signing;
        signing.number = QByteArray::number(receipt.number);
        signing.dateTime = (date.toString(Qt::ISODate) + u'T' + time.toString(Qt::ISODate)).toLatin1();
        for (const Position &p : receipt.positions)
            signing.sumsInCents[sumIndex(p.article->vat)] += p.amount / 100;
        signing.kind = receipt.kind == ReceiptKind::Training ? Kind::Training
                     : receipt.kind == ReceiptKind::Cancellation ? Kind::Cancellation
                                                                 : Kind::Normal;
        signing.deviceFailed = r.failingLeft > 0 && receipt.kind != ReceiptKind::Start;
        const QByteArray jws = m_devices.signsForReal() ? r.signer->next(signing)
                                                        : m_devices.madeUpReceipt(r.device, r.id, signing);
        const bool allSumsZero = std::all_of(signing.sumsInCents.begin(), signing.sumsInCents.end(),
                                             [](qint64 sum) { return sum == 0; });
        if (signing.deviceFailed && --r.failingLeft == 0)
            r.needsNullReceipt = true;
        else if (!signing.deviceFailed && allSumsZero)
            r.needsNullReceipt = false;
        receipt.signature = QString::fromLatin1(jws);
        r.started = true;
        r.openMonth = receipt.kind == ReceiptKind::MonthEnd ? 0 : receipt.period;
    }

    void makeRow(QList<JetValue> &row, qint64 index, const Position &position)
    {
        const Receipt &r = m_receipt;
        Sale &s = m_sale;
        s.id = int(index + 1);
        s.receipt = r.number;
        s.company = r.company;
        s.cashRegister = r.cashRegister;
        s.table = r.table;
        s.settled = JetValue::oleDate(r.time);
        s.status = r.status;
        s.paymentType = r.payment;
        s.article = QString::fromLatin1(position.article->number);
        s.name = QString::fromUtf8(position.article->name);
        s.quantity = position.quantity;
        s.price = JetValue::currency(position.article->price);
        s.amount = JetValue::currency(position.amount);
        s.vat = double(position.article->vat);
        s.cancelled = position.cancelled;
        s.period = r.period;
        s.certificate = r.hasCertificate ? JetValue(m_devices.certificateText(r.device)) : JetValue();
        s.authorities = r.hasCertificate ? JetValue(m_devices.authorityText()) : JetValue();
        s.signature = r.signature.isEmpty() ? JetValue() : JetValue(r.signature);
        s.remark = remark(r.number);
        s.fillRow(row, m_gastro);
    }

    JetValue remark(int receiptNumber)
    {
        const int r = m_random.below(10000);
        if (r < 9400)
            return {};
        if (r < 9900)
            return QStringLiteral("Gast wünscht Rechnung auf Firma, Beleg %1").arg(receiptNumber);
        if (r < 9998)
            return QStringLiteral("Reklamation: ") + QStringLiteral("Speise zurückgegeben, Ersatz serviert. ").repeated(20 + m_random.below(20));
        return QStringLiteral("Übergabeprotokoll Schichtwechsel. ").repeated(160); // stored in long-value pages
    }

    SeededRandom m_random;
    bool m_gastro;
    SignatureDevices &m_devices;
    std::array<CashRegister, 6> m_registers; // registers 1 to 5
    std::optional<Receipt> m_pending;
    Receipt m_receipt;
    Sale m_sale; // the row being written, its storage reused
    double m_lastTime = 0; // of the table's last receipt
};

void fillLog(JetTable &table, qint64 count, quint64 seed)
{
    SeededRandom random(seed);
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
        JetColumn::of(QStringLiteral("Signaturzertifikat"), JetType::Memo),
        JetColumn::of(QStringLiteral("Zertifizierungsstellen"), JetType::Memo),
        JetColumn::of(QStringLiteral("JWSSignatur"), JetType::Memo),
        JetColumn::of(QStringLiteral("Bemerkung"), JetType::Memo),
    };
}

QList<JetColumn> gastroSalesColumns()
{
    QList<JetColumn> columns = shopSalesColumns();
    columns.insert(4, JetColumn::text(QStringLiteral("Tisch"), 10));
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

namespace {

void addTables(JetDatabaseWriter &writer, const RegisterDatabaseOptions &options, SignatureDevices &devices)
{
    const qint64 salesRows = qMax(0, options.salesRows);
    const qint64 logRows = options.logRows < 0 ? salesRows : options.logRows;

    JetTable shop = writer.addTable(QStringLiteral("Barverkaeufe"), shopSalesColumns());
    SalesGenerator(options.seed, false, devices).fill(shop, salesRows);
    JetTable gastro = writer.addTable(QStringLiteral("BarverkaeufeGastro"), gastroSalesColumns());
    SalesGenerator(options.seed + 1, true, devices).fill(gastro, salesRows);
    JetTable log = writer.addTable(QStringLiteral("Protokoll"), logColumns());
    fillLog(log, logRows, options.seed + 2);
}

void writeText(const QString &path, const QByteArray &text)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw Error(QStringLiteral("%1: %2").arg(path, file.errorString()));
}

SignatureDevices::Signing signingOf(const RegisterDatabaseOptions &options)
{
    return options.signReceipts ? SignatureDevices::Signing::Real : SignatureDevices::Signing::MadeUp;
}

QString besideDatabase(const QString &databasePath, const char *suffix)
{
    const QFileInfo info(databasePath);
    return info.path() + u'/' + info.completeBaseName() + QLatin1String(suffix);
}

} // namespace

void addTables(JetDatabaseWriter &writer, const RegisterDatabaseOptions &options)
{
    SignatureDevices devices(signingOf(options), options.seed);
    addTables(writer, options, devices);
}

QString aesKeyFile(const QString &databasePath)
{
    return besideDatabase(databasePath, "-aes-key.txt");
}

QString authorityFile(const QString &databasePath)
{
    return besideDatabase(databasePath, "-test-ca.pem");
}

void write(const QString &path, const RegisterDatabaseOptions &options)
{
    SignatureDevices devices(signingOf(options), options.seed);
    JetDatabaseWriter writer(path, options.password);
    writer.setCreationDate(QDateTime(firstDay, QTime(8, 0)));
    addTables(writer, options, devices);
    writer.finish();
    if (devices.signsForReal()) {
        writeText(aesKeyFile(path), devices.aesKeyBase64() + '\n');
        writeText(authorityFile(path), devices.authorityPem());
    }
}

} // namespace RegisterDatabase
