#include "Dep7Export.h"

#include "Dep7Writer.h"
#include "ExportMessageSink.h"
#include "PeriodBinding.h"
#include "TADOQuery.h"
#include "WindowsPath.h"

#include <optional>

namespace Dep7Export {

namespace {

// Closes the query on every way out of the export.
class QueryCloser
{
public:
    explicit QueryCloser(db::TADOQuery &query) : m_query(query) {}
    ~QueryCloser() { m_query.close(); }
    QueryCloser(const QueryCloser &) = delete;
    QueryCloser &operator=(const QueryCloser &) = delete;

private:
    db::TADOQuery &m_query;
};

// Company 1, every register or the one asked for, payment types 0 to 5. In
// the shop query the seventh payment-type parameter stays unbound.
void bind(db::TADOQuery &query, const Dep7Request &request)
{
    query.close();
    db::TParameters &parameters = query.parameters();
    parameters.paramByName(QStringLiteral("pfirma")).setValue(db::Value::fromInt(1));
    parameters.paramByName(QStringLiteral("pvonkassa")).setValue(db::Value::fromInt(request.cashRegister.value_or(0)));
    parameters.paramByName(QStringLiteral("pbiskassa")).setValue(db::Value::fromInt(request.cashRegister.value_or(999999)));
    PeriodBinding::bind(query, request.fromText, request.toText);
    for (int i = 1; i <= 6; ++i)
        parameters.paramByName(QStringLiteral("pz%1").arg(i)).setValue(db::Value::fromInt(i - 1));
}

QString certificate(db::TADOQuery &query)
{
    return query.fieldByName(QStringLiteral("Signaturzertifikat")).asString();
}

// The shop tables keep the signature in a long-text column, read as text.
// The gastro tables read it as a value converted to text: a NULL in their
// plain text column cannot be converted and stops the export.
QString receipt(db::TADOQuery &query, bool gastro)
{
    db::TField &field = query.fieldByName(QStringLiteral("JWSSignatur"));
    return gastro ? field.asVariant().toText() : field.asString();
}

// One pass over the rows, which come ordered by certificate (a single
// register's in chain order, so its groups follow each other in time).
// Whether a
// receipt line gets its comma is decided by looking at the next row, so a
// certificate that comes back after another one opens a group of its own.
void writeRows(db::TADOQuery &query, bool gastro, Dep7Writer &writer)
{
    writer.writeFileOpening();
    std::optional<QString> openGroup;
    while (!query.eof()) {
        const QString rowCertificate = certificate(query);
        if (rowCertificate != openGroup) {
            if (openGroup) {
                writer.writeGroupClose();
                writer.writeGroupSeparator();
            }
            writer.writeGroupHeader(rowCertificate,
                                    query.fieldByName(QStringLiteral("Zertifizierungsstellen")).asString());
            openGroup = rowCertificate;
        }
        const QString text = receipt(query, gastro);
        query.next();
        writer.writeReceipt(text, !query.eof() && certificate(query) == *openGroup);
    }
    writer.writeGroupClose();
    writer.writeFileEnd();
}

// A date text as it can stand in a file name: a short date format may hold
// "/" (en_US: 03/01/2019), which would name a folder, and on Windows
// characters no file name holds. Each becomes "-"; "01.03.2019" stays as it is.
QString fileNameDate(QString text)
{
#ifdef Q_OS_WIN
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|");
#else
    static const QString forbidden = QStringLiteral("/\\");
#endif
    for (QChar &c : text) {
        if (forbidden.contains(c) || c.unicode() < 0x20)
            c = u'-';
    }
    return text;
}

} // namespace

QString baseName(const Dep7Request &request)
{
    QString name = QStringLiteral("DEPExport") + fileNameDate(request.fromText) + u'-' + fileNameDate(request.toText);
    if (request.cashRegister)
        name += QStringLiteral("_Kassa%1").arg(*request.cashRegister);
    return name + QStringLiteral(".json");
}

QString fileName(const Dep7Request &request)
{
    return WindowsPath::join(request.folder, baseName(request));
}

ExportOutcome run(db::TADOQuery &query, const Dep7Request &request, ExportMessageSink &messages)
{
    bind(query, request);
    query.open();
    const QueryCloser closer(query);
    if (!query.isActive() || query.isEmpty()) {
        messages.message(MessageBoxKind::Plain, QStringLiteral("keine Daten für Export!"));
        return ExportOutcome::NoData;
    }
    Dep7Writer writer(fileName(request));
    writeRows(query, request.gastro, writer);
    writer.commit();
    if (request.announce)
        messages.message(MessageBoxKind::Plain, QStringLiteral("Exportdatei %1 befindet sich im Ordner %2").arg(baseName(request), request.folder));
    return ExportOutcome::Written;
}

std::vector<int> cashRegisters(db::TADOQuery &query, const Dep7Request &request)
{
    bind(query, request);
    query.open();
    const QueryCloser closer(query);
    std::vector<int> numbers;
    for (; query.isActive() && !query.eof(); query.next())
        numbers.push_back(int(query.fieldByName(QStringLiteral("Kassa")).asVariant().toInt()));
    return numbers;
}

} // namespace Dep7Export
