#include "Dep7ReportFile.h"

#include "AtomicFile.h"
#include "Error.h"

#include <rapidjson/writer.h>

namespace rksv {

namespace {

// rapidjson's output stream over the atomic writer, which buffers itself.
class AtomicFileStream
{
public:
    using Ch = char;
    explicit AtomicFileStream(AtomicFile &file) : m_file(file) {}
    void Put(char c) { m_file.write(c); }
    void Flush() {}

private:
    AtomicFile &m_file;
};

} // namespace

struct Dep7ReportFile::Output
{
    explicit Output(const QString &fileName) : file(fileName, fileName), stream(file), writer(stream) {}

    void text(QByteArrayView bytes) { writer.String(bytes.data(), rapidjson::SizeType(bytes.size())); }
    void text(const QString &string) { text(QByteArrayView(string.toUtf8())); }
    void key(const char *name) { writer.Key(name); }

    AtomicFile file;
    AtomicFileStream stream;
    rapidjson::Writer<AtomicFileStream> writer;
};

Dep7ReportFile::Dep7ReportFile(const QString &fileName)
{
    m_output = std::make_unique<Output>(fileName);
    m_output->writer.StartObject();
    m_output->key("dateien");
    m_output->writer.StartArray();
}

Dep7ReportFile::~Dep7ReportFile() = default;

void Dep7ReportFile::beginFile(const QString &checkedFile)
{
    m_output->writer.StartObject();
    m_output->key("datei");
    m_output->text(checkedFile);
    m_output->key("befunde");
    m_output->writer.StartArray();
}

void Dep7ReportFile::problem(const Dep7Problem &problem)
{
    Output &out = *m_output;
    out.writer.StartObject();
    out.key("bereich");
    out.text(QByteArrayView(problem.scope == Dep7Problem::Scope::File    ? "Datei"
                            : problem.scope == Dep7Problem::Scope::Group ? "Gruppe"
                                                                         : "Beleg"));
    out.key("stelle");
    out.writer.Int64(problem.position);
    out.key("gruppe");
    out.writer.Int(problem.group);
    out.key("kasse");
    out.text(QString::fromUtf8(problem.registerId));
    out.key("beleg");
    out.text(QString::fromUtf8(problem.receiptNumber));
    out.key("fehler");
    out.writer.Bool(problem.error);
    out.key("grund");
    out.text(problem.reason);
    out.writer.EndObject();
}

void Dep7ReportFile::endFile(const Dep7CheckResult &result)
{
    Output &out = *m_output;
    out.writer.EndArray();
    out.key("belege");
    out.writer.Int64(result.receipts);
    out.key("gruppen");
    out.writer.Int64(result.groups);
    out.key("fehler");
    out.writer.Int64(result.errors);
    out.key("hinweise");
    out.writer.Int64(result.notes);
    out.key("bestanden");
    out.writer.Bool(result.passed());
    out.key("fehlerOhneKasse");
    out.writer.Int64(result.unassignedErrors);
    // Without trust anchors a file signed with a made-up authority passes.
    out.key("zertifikateGegenVertrauensankerGeprueft");
    out.writer.Bool(result.trustAnchorsUsed);
    out.key("kassen");
    out.writer.StartArray();
    for (const Dep7RegisterSummary &r : result.registers) {
        out.writer.StartObject();
        out.key("kasse");
        out.text(QString::fromUtf8(r.registerId));
        const std::pair<const char *, qint64> counts[] = {
            {"belege", r.receipts}, {"gruppen", r.groups}, {"signiert", r.signedReceipts},
            {"training", r.training}, {"storno", r.cancellation}, {"ausgefallen", r.failedDevice},
            {"kettenbrueche", r.chainBreaks}, {"fehler", r.errors}};
        for (const auto &[name, value] : counts) {
            out.key(name);
            out.writer.Int64(value);
        }
        const std::pair<const char *, QByteArray> texts[] = {
            {"ersterBeleg", r.firstNumber}, {"ersterBelegDatum", r.firstDateTime},
            {"letzterBeleg", r.lastNumber}, {"letzterBelegDatum", r.lastDateTime}};
        for (const auto &[name, value] : texts) {
            out.key(name);
            out.text(QString::fromUtf8(value));
        }
        out.key("startbeleg");
        out.writer.Bool(r.startsWithStartReceipt);
        out.key("kettenVollstaendig");
        out.writer.Bool(r.chainBreaks == 0);
        out.key("umsatzzaehlerGeprueft");
        out.writer.Bool(r.countersChecked);
        out.writer.EndObject();
    }
    out.writer.EndArray();
    out.writer.EndObject();
    m_errors += result.errors;
}

void Dep7ReportFile::close()
{
    Output &out = *m_output;
    out.writer.EndArray();
    out.key("fehler");
    out.writer.Int64(m_errors);
    out.key("bestanden");
    out.writer.Bool(m_errors == 0);
    out.writer.EndObject();
    out.file.commit();
}

} // namespace rksv
