#include "ExportSession.h"

#include "ConnectionStep.h"
#include "DatabaseError.h"
#include "FailureText.h"
#include "ExportMessageSink.h"
#include "PeriodBinding.h"
#include "QueryDesign.h"
#include "TextExportDesign.h"
#include "WindowsPath.h"

// The engine's messages of a run go to the run's sink and into its result;
// between runs the components say nothing.
class ExportSession::Forwarder : public ExportMessageSink
{
public:
    void begin(ExportMessageSink &target, QStringList &record)
    {
        m_target = &target;
        m_record = &record;
    }
    void end()
    {
        m_target = nullptr;
        m_record = nullptr;
    }
    void message(MessageBoxKind kind, const QString &text) override
    {
        if (m_record)
            m_record->append(text);
        if (m_target)
            m_target->message(kind, text);
    }
    bool openFile(const QString &fileName) override { return m_target && m_target->openFile(fileName); }

private:
    ExportMessageSink *m_target = nullptr;
    QStringList *m_record = nullptr;
};

namespace {

// What a failure that an export does not handle itself means for its outcome.
ExportOutcome outcomeOf(const std::exception &failure)
{
    if (dynamic_cast<const db::ConnectionError *>(&failure))
        return ExportOutcome::NotConnected;
    if (dynamic_cast<const db::QueryError *>(&failure))
        return ExportOutcome::QueryFailed;
    if (dynamic_cast<const db::DataError *>(&failure))
        return ExportOutcome::DataError;
    return ExportOutcome::WriteFailed;
}

ExportOutcome outcomeOf(const std::exception_ptr &failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::exception &thrown) {
        return outcomeOf(thrown);
    } catch (...) {
    }
    return ExportOutcome::WriteFailed;
}

ConnectionFields connectionFieldsOf(const ExportRequest &request)
{
    return {request.variant, request.folder, request.password, request.server};
}

void setUpDep7(db::TADOQuery &query, bool gastro, QueryDesign::Dep7Order order)
{
    if (gastro)
        QueryDesign::setUpDep7Gastro(query, order);
    else
        QueryDesign::setUpDep7Shop(query, order);
}

} // namespace

ExportSession::ExportSession() : m_forwarder(std::make_shared<Forwarder>())
{
    connection.setLoginPrompt(false);
    for (db::TADOQuery *query : {&dep131Shop, &dep131Gastro, &dep7Shop, &dep7Gastro, &log})
        query->setConnection(&connection);
    QueryDesign::setUpDep131Shop(dep131Shop);
    QueryDesign::setUpDep131Gastro(dep131Gastro);
    QueryDesign::setUpDep7Shop(dep7Shop);
    QueryDesign::setUpDep7Gastro(dep7Gastro);
    QueryDesign::setUpLog(log);
    for (TExportToText *component : {&dep131Export, &logExport}) {
        TextExportDesign::applySettings(*component);
        component->setMessageSink(m_forwarder);
    }
}

ExportSession::~ExportSession() = default;

QString ExportSession::targetFolder(const ExportRequest &request)
{
    return request.outputFolder.isEmpty() ? request.folder : request.outputFolder;
}

QString ExportSession::fileName(const ExportRequest &request)
{
    switch (request.kind) {
    case ExportKind::Dep131: return WindowsPath::join(targetFolder(request), ExportRequest::dep131FileName);
    case ExportKind::Log: return WindowsPath::join(targetFolder(request), ExportRequest::logFileName);
    case ExportKind::Dep7: break;
    }
    return Dep7Export::fileName(dep7Request(request, request.allCashRegisters ? std::nullopt : request.cashRegister));
}

std::optional<QString> ExportSession::databaseFileName(const ExportRequest &request)
{
    if (request.variant == ProgramVariant::none || ProgramVariant::isSqlServer(request.variant))
        return std::nullopt;
    return WindowsPath::join(request.folder, ProgramVariant::databaseName(request.variant));
}

Dep7Request ExportSession::dep7Request(const ExportRequest &request, std::optional<int> cashRegister)
{
    return {targetFolder(request), request.fromText, request.toText, ProgramVariant::isGastro(request.variant),
            cashRegister};
}

ExportResult ExportSession::run(const ExportRequest &request, ExportMessageSink &messages)
{
    ExportResult result;
    m_forwarder->begin(messages, result.messages);
    try {
        if (!ConnectionStep::run(connection, connectionFieldsOf(request), *m_forwarder)) {
            result.outcome = ExportOutcome::NoVariant;
        } else if (request.kind != ExportKind::Dep7) {
            result.outcome = runText(request, *m_forwarder, result);
        } else if (request.allCashRegisters) {
            result.outcome = runDep7PerRegister(request, *m_forwarder, result);
        } else {
            result.outcome = runDep7(request, *m_forwarder, result);
        }
    } catch (const std::exception &failure) {
        m_forwarder->message(MessageBoxKind::Error, errorBoxText(failureMessage(failure)));
        result.outcome = outcomeOf(failure);
        result.cause = std::current_exception();
    }
    m_forwarder->end();
    return result;
}

ExportOutcome ExportSession::runText(const ExportRequest &request, ExportMessageSink &messages, ExportResult &result)
{
    const bool dep131 = request.kind == ExportKind::Dep131;
    db::TADOQuery &query = !dep131 ? log : ProgramVariant::isGastro(request.variant) ? dep131Gastro : dep131Shop;
    TExportToText &component = dep131 ? dep131Export : logExport;
    PeriodBinding::bind(query, request.fromText, request.toText);
    try {
        query.open();
    } catch (const std::exception &failure) {
        messages.message(MessageBoxKind::Plain, QStringLiteral("SQL Error ") + failureMessage(failure));
        result.cause = std::current_exception();
        return ExportOutcome::QueryFailed;
    }
    if (!query.isActive() || query.isEmpty())
        return ExportOutcome::NoData;
    component.setDataSet(&query);
    component.setFileName(fileName(request));
    component.execute();
    switch (component.statistic().result) {
    case erCompleted: result.files.append(WindowsPath::toLocal(fileName(request))); return ExportOutcome::Written;
    case erCanceled: result.files.append(WindowsPath::toLocal(fileName(request))); return ExportOutcome::Cancelled;
    default: break;
    }
    // The component has told the user; its failure's kind is the outcome.
    result.cause = component.lastFailure();
    return result.cause ? outcomeOf(result.cause) : ExportOutcome::WriteFailed;
}

ExportOutcome ExportSession::runDep7(const ExportRequest &request, ExportMessageSink &messages, ExportResult &result)
{
    const Dep7Request dep7 = dep7Request(request, request.cashRegister);
    const ExportOutcome outcome = writeDep7(dep7, messages);
    if (outcome == ExportOutcome::Written)
        result.files.append(WindowsPath::toLocal(Dep7Export::fileName(dep7)));
    return outcome;
}

ExportOutcome ExportSession::runDep7PerRegister(const ExportRequest &request, ExportMessageSink &messages,
                                                ExportResult &result)
{
    const Dep7Request all = dep7Request(request, std::nullopt);
    db::TADOQuery numbers(&connection);
    setUpDep7(numbers, all.gastro, QueryDesign::Dep7Order::RegisterNumbers);
    const std::vector<int> registers = Dep7Export::cashRegisters(numbers, all);
    if (registers.empty()) {
        messages.message(MessageBoxKind::Plain, QStringLiteral("keine Daten für Export!"));
        return ExportOutcome::NoData;
    }
    QStringList names;
    for (const int cashRegister : registers) {
        Dep7Request single = dep7Request(request, cashRegister);
        single.announce = false;
        if (writeDep7(single, messages) == ExportOutcome::Written) {
            result.files.append(WindowsPath::toLocal(Dep7Export::fileName(single)));
            names.append(Dep7Export::baseName(single));
        }
    }
    if (request.announce && names.size() == 1)
        messages.message(MessageBoxKind::Plain,
                         QStringLiteral("Exportdatei %1 befindet sich im Ordner %2").arg(names.front(), all.folder));
    else if (request.announce && !names.isEmpty())
        messages.message(MessageBoxKind::Plain, QStringLiteral("Exportdateien %1 befinden sich im Ordner %2")
                                                    .arg(names.join(QStringLiteral(", ")), all.folder));
    return ExportOutcome::Written;
}

ExportOutcome ExportSession::writeDep7(const Dep7Request &request, ExportMessageSink &messages)
{
    if (!request.cashRegister)
        return Dep7Export::run(request.gastro ? dep7Gastro : dep7Shop, request, messages);
    db::TADOQuery chainOrder(&connection);
    setUpDep7(chainOrder, request.gastro, QueryDesign::Dep7Order::ChainOrder);
    return Dep7Export::run(chainOrder, request, messages);
}
