#include "Dep7Check.h"

#include "Base64.h"
#include "CompactJws.h"
#include "Dep7Reader.h"
#include "Error.h"
#include "ReceiptChain.h"
#include "ReceiptNumberSet.h"
#include "ReceiptPayload.h"
#include "SignaturePool.h"
#include "Es256Verifier.h"
#include "TurnoverCounter.h"

#include <QHash>

#include <openssl/err.h>
#include <openssl/x509_vfy.h>

#include <array>
#include <cstring>
#include <map>

namespace rksv {

namespace {

QString show(QByteArrayView text)
{
    return QString::fromUtf8(text);
}

QString euros(qint64 cents)
{
    return show(ReceiptPayload::formatSum(cents));
}

quint64 hashOf(QByteArrayView text)
{
    const Sha256Digest digest = sha256(text);
    quint64 hash = 0;
    std::memcpy(&hash, digest.data(), sizeof hash);
    return hash;
}

// A problem on its way through the signature pool, with the register it
// belongs to (-1: none).
struct PendingProblem
{
    Dep7Problem problem;
    int registerIndex = -1;
};

struct ReceiptBatch : SignatureBatch
{
    std::vector<PendingProblem> problems;
    std::vector<int> taskRegisters; // register of each task
    std::vector<int> taskGroups;
    std::vector<QByteArray> taskNumbers;
};

// What a group's certificate gives: its key for the signature checks, or
// why there is none.
struct GroupCertificate
{
    int key = -1;
    std::optional<Certificate> certificate;
    std::vector<QString> failures;
};

// A register's state along its chain.
struct RegisterState
{
    Dep7RegisterSummary summary;
    QByteArray startChainValue; // the start receipt's, from the register ID
    QByteArray nextChainValue; // what the next receipt must carry; empty before the first
    QByteArray previousNumber;
    // The chain values that followed the last few receipts, to tell a
    // swapped order from a missing receipt.
    std::array<std::pair<QByteArray, QByteArray>, 8> recent; // chain value after, receipt number
    size_t recentNext = 0;
    QByteArray lastDateTime;
    std::optional<qint64> total;
    QByteArray failedRunStart; // receipt number; empty while the device works
    int lastGroup = 0;
    quint64 lastCertificate = 0;
    std::vector<quint64> certificates; // hashes of the certificate texts used
    ReceiptNumberSet numbers;
};

class CheckRun : public Dep7Consumer
{
public:
    CheckRun(const Dep7CheckOptions &options, Dep7CheckResult &result, const Dep7Check::ProblemListener &listener)
        : m_options(options), m_result(result), m_listener(listener),
          m_pool([this](SignatureBatch &batch) { merge(static_cast<ReceiptBatch &>(batch)); }, options.threads)
    {
        if (options.aesKey)
            m_counter.emplace(*options.aesKey);
        m_batch = std::make_unique<ReceiptBatch>();
    }

    void groupStarts(const QByteArray &certificate, const std::vector<QByteArray> &authorities) override;
    void receipt(QByteArrayView text) override;
    void groupEnds() override {}

    void fileFailed(const QString &reason)
    {
        addProblem(-1, {m_position + 1, m_group, {}, {}, reason, true, Dep7Problem::Scope::File});
        m_fileFailed = true;
    }
    void finish();

private:
    void addProblem(int registerIndex, Dep7Problem problem)
    {
        m_batch->problems.push_back({std::move(problem), registerIndex});
    }
    void receiptProblem(int registerIndex, const QByteArray &number, const QString &reason, bool error = true)
    {
        const QByteArray id = registerIndex >= 0 ? m_registers[size_t(registerIndex)].summary.registerId : QByteArray();
        addProblem(registerIndex, {m_position, m_group, id, number, reason, error});
    }
    const GroupCertificate &certificateFor(const QByteArray &certificate, const std::vector<QByteArray> &authorities);
    GroupCertificate loadCertificate(const QByteArray &certificate, const std::vector<QByteArray> &authorities);
    int registerFor(const QByteArray &registerId, const QByteArray &number);
    void advanceChain(RegisterState &state, QByteArrayView text, const QByteArray &number);
    void checkChain(int index, const ReceiptPayload &payload, bool failedDevice);
    void checkCounter(int index, const ReceiptPayload &payload, bool startReceipt);
    void submitBatch();
    void merge(ReceiptBatch &batch);
    void count(const PendingProblem &pending);

    const Dep7CheckOptions &m_options;
    Dep7CheckResult &m_result;
    const Dep7Check::ProblemListener &m_listener;
    std::optional<TurnoverCounter> m_counter;
    std::map<QByteArray, GroupCertificate> m_certificates; // by certificate and authority texts
    const GroupCertificate *m_groupCertificate = nullptr;
    quint64 m_groupCertificateHash = 0;
    std::vector<RegisterState> m_registers;
    QHash<QByteArray, int> m_registerIndex;
    int m_lastRegister = -1;
    qint64 m_position = 0;
    int m_group = 0;
    bool m_fileFailed = false;
    std::unique_ptr<ReceiptBatch> m_batch;
    SignaturePool m_pool; // last: its threads stop before the rest goes
};

GroupCertificate CheckRun::loadCertificate(const QByteArray &text, const std::vector<QByteArray> &authorities)
{
    GroupCertificate group;
    if (text.isEmpty()) {
        group.failures.push_back(QStringLiteral("Signaturzertifikat fehlt"));
        return group;
    }
    try {
        group.certificate.emplace(Certificate::fromText(text));
    } catch (const Error &error) {
        group.failures.push_back(QStringLiteral("Signaturzertifikat nicht lesbar: %1").arg(error.message()));
        return group;
    }
    const Certificate &certificate = *group.certificate;
    try {
        Es256Verifier check(certificate.publicKey());
        group.key = m_pool.addKey(certificate.publicKey());
    } catch (const Error &error) {
        group.failures.push_back(error.message());
    }

    std::vector<Certificate> cas;
    for (size_t i = 0; i < authorities.size(); ++i) {
        try {
            cas.push_back(Certificate::fromText(authorities[i]));
        } catch (const Error &error) {
            group.failures.push_back(
                QStringLiteral("Zertifikat der Zertifizierungsstelle %1 nicht lesbar: %2").arg(i + 1).arg(error.message()));
        }
    }
    if (authorities.empty())
        group.failures.push_back(QStringLiteral("keine Zertifizierungsstelle angegeben"));
    bool issued = false;
    for (const Certificate &ca : cas)
        issued = issued || certificate.isIssuedBy(ca);
    if (!authorities.empty() && !issued)
        group.failures.push_back(QStringLiteral("Signaturzertifikat (%1) ist von keiner der angegebenen "
                                                "Zertifizierungsstellen ausgestellt").arg(certificate.subject()));
    if (!m_options.trustAnchors.empty()) {
        // The receipts were signed in the past: a certificate that has
        // expired since does not make them void. An anchor need not be a
        // root: the user may trust an intermediate authority.
        X509StoreHandle store(X509_STORE_new());
        for (const Certificate &anchor : m_options.trustAnchors)
            X509_STORE_add_cert(store.get(), anchor.handle());
        X509StackHandle untrusted(sk_X509_new_null());
        for (const Certificate &ca : cas)
            sk_X509_push(untrusted.get(), ca.handle());
        X509StoreContextHandle context(X509_STORE_CTX_new());
        bool trusted = context
                       && X509_STORE_CTX_init(context.get(), store.get(), certificate.handle(), untrusted.get()) == 1;
        if (trusted) {
            X509_STORE_CTX_set_flags(context.get(), X509_V_FLAG_NO_CHECK_TIME | X509_V_FLAG_PARTIAL_CHAIN);
            trusted = X509_verify_cert(context.get()) == 1;
        }
        if (!trusted) {
            const int code = context ? X509_STORE_CTX_get_error(context.get()) : X509_V_ERR_UNSPECIFIED;
            group.failures.push_back(QStringLiteral("Signaturzertifikat führt zu keinem vertrauenswürdigen "
                                                    "Zertifikat (--trust): %1")
                                         .arg(QString::fromLatin1(X509_verify_cert_error_string(code))));
        }
        ERR_clear_error();
    }
    return group;
}

const GroupCertificate &CheckRun::certificateFor(const QByteArray &certificate,
                                                 const std::vector<QByteArray> &authorities)
{
    QByteArray key = certificate;
    for (const QByteArray &authority : authorities)
        key += '\0' + authority;
    auto found = m_certificates.find(key);
    if (found == m_certificates.end())
        found = m_certificates.emplace(key, loadCertificate(certificate, authorities)).first;
    return found->second;
}

void CheckRun::groupStarts(const QByteArray &certificate, const std::vector<QByteArray> &authorities)
{
    ++m_group;
    ++m_result.groups;
    m_groupCertificate = &certificateFor(certificate, authorities);
    m_groupCertificateHash = hashOf(certificate);
    for (const QString &failure : m_groupCertificate->failures)
        addProblem(-1, {m_position + 1, m_group, {}, {}, failure, true, Dep7Problem::Scope::Group});
}

int CheckRun::registerFor(const QByteArray &registerId, const QByteArray &number)
{
    if (const auto found = m_registerIndex.constFind(registerId); found != m_registerIndex.cend())
        return found.value();
    const int index = int(m_registers.size());
    m_registers.emplace_back();
    m_registers.back().summary.registerId = registerId;
    m_registers.back().startChainValue = chainValue(registerId);
    m_registerIndex.insert(registerId, index);
    if (index > 0) {
        receiptProblem(index, number,
                       QStringLiteral("Die Datei enthält Belege mehrerer Kassen (zuerst %1, hier %2): "
                                      "Prüfprogramme erwarten eine Kasse je Datei; "
                                      "DepExport --kassa N exportiert je Kasse eine Datei")
                           .arg(show(m_registers.front().summary.registerId), show(registerId)));
    }
    return index;
}

void CheckRun::advanceChain(RegisterState &state, QByteArrayView text, const QByteArray &number)
{
    state.nextChainValue = chainValue(text);
    state.previousNumber = number;
    state.recent[state.recentNext] = {state.nextChainValue, number};
    state.recentNext = (state.recentNext + 1) % state.recent.size();
}

void CheckRun::receipt(QByteArrayView text)
{
    ++m_position;
    ++m_result.receipts;
    const auto jws = CompactJws::split(text);
    std::optional<QByteArray> payloadText;
    if (jws)
        payloadText = Base64::decodeUrl(jws->payload);
    std::optional<ReceiptPayload> payload;
    QString unreadable;
    if (!jws)
        unreadable = QStringLiteral("Beleg ist kein kompakter JWS aus drei durch '.' getrennten Teilen");
    else if (!payloadText)
        unreadable = QStringLiteral("Belegdaten sind kein Base64url-Text");
    else {
        try {
            payload.emplace(ReceiptPayload::parse(*payloadText));
        } catch (const Error &error) {
            unreadable = error.message();
        }
    }
    if (!payload) {
        // Most likely the register of the receipt before: its chain goes on
        // from here, so one unreadable receipt is one problem.
        receiptProblem(m_lastRegister, {}, unreadable);
        if (m_lastRegister >= 0)
            advanceChain(m_registers[size_t(m_lastRegister)], text, {});
        return;
    }

    const int index = registerFor(payload->registerId, payload->receiptNumber);
    m_lastRegister = index;
    RegisterState &state = m_registers[size_t(index)];
    Dep7RegisterSummary &summary = state.summary;
    const QByteArray &number = payload->receiptNumber;
    if (summary.receipts++ == 0) {
        summary.firstNumber = number;
        summary.firstDateTime = payload->dateTime;
    }
    summary.lastNumber = number;
    summary.lastDateTime = payload->dateTime;

    if (!jws->hasValidHeader())
        receiptProblem(index, number, QStringLiteral("Kopf des Belegs ist nicht {\"alg\":\"ES256\"}"));

    // Group order: the first receipt of the register in a new group.
    const bool newGroup = state.lastGroup != m_group;
    if (newGroup) {
        ++summary.groups;
        if (state.lastGroup != 0 && m_groupCertificateHash != state.lastCertificate
            && std::find(state.certificates.begin(), state.certificates.end(), m_groupCertificateHash)
                   != state.certificates.end())
            receiptProblem(index, number,
                           QStringLiteral("Das Zertifikat von Gruppe %1 kam schon in einer früheren Gruppe dieser Kasse "
                                          "vor: Prüfprogramme erwarten jedes Zertifikat in einer Gruppe")
                               .arg(m_group));
        if (std::find(state.certificates.begin(), state.certificates.end(), m_groupCertificateHash)
            == state.certificates.end())
            state.certificates.push_back(m_groupCertificateHash);
        state.lastCertificate = m_groupCertificateHash;
    }

    if (!state.lastDateTime.isEmpty() && payload->dateTime < state.lastDateTime) {
        if (newGroup)
            receiptProblem(index, number,
                           QStringLiteral("Gruppe %1 beginnt (%2) vor dem Ende der vorigen Gruppe dieser Kasse "
                                          "(Beleg %3 vom %4): Gruppen nicht in zeitlicher Reihenfolge; DepExport "
                                          "--kassa N exportiert in der Reihenfolge der Kette")
                               .arg(m_group)
                               .arg(show(payload->dateTime), show(state.previousNumber), show(state.lastDateTime)));
        else
            receiptProblem(index, number,
                           QStringLiteral("Datum %1 liegt vor dem des vorigen Belegs %2 (%3)")
                               .arg(show(payload->dateTime), show(state.previousNumber), show(state.lastDateTime)));
    }
    state.lastDateTime = payload->dateTime;
    state.lastGroup = m_group;

    if (!state.numbers.insert(number))
        receiptProblem(index, number, QStringLiteral("Belegnummer %1 kommt mehrfach vor").arg(show(number)));

    switch (payload->counterKind()) {
    case ReceiptPayload::CounterKind::Training: ++summary.training; break;
    case ReceiptPayload::CounterKind::Cancellation: ++summary.cancellation; break;
    case ReceiptPayload::CounterKind::Encrypted: break;
    }

    const bool failedDevice = jws->isFailedDeviceMarker();
    if (failedDevice) {
        ++summary.failedDevice;
        if (state.failedRunStart.isEmpty())
            state.failedRunStart = number;
    } else {
        ++summary.signedReceipts;
        if (m_groupCertificate && m_groupCertificate->certificate
            && !m_groupCertificate->certificate->matchesSerial(payload->certificateSerial))
            receiptProblem(index, number,
                           QStringLiteral("Seriennummer %1 ist nicht die des Signaturzertifikats der Gruppe (%2)")
                               .arg(show(payload->certificateSerial), show(m_groupCertificate->certificate->serialHex())));
        if (m_groupCertificate && m_groupCertificate->key >= 0) {
            m_batch->add(m_groupCertificate->key, text, jws->signingInput().size(), m_position);
            m_batch->taskRegisters.push_back(index);
            m_batch->taskGroups.push_back(m_group);
            m_batch->taskNumbers.push_back(number);
        }
        if (!state.failedRunStart.isEmpty()) {
            if (!payload->isNullReceipt())
                receiptProblem(index, number,
                               QStringLiteral("Nach dem Ausfall der Sicherheitseinrichtung (ab Beleg %1) folgt kein "
                                              "signierter Nullbeleg")
                                   .arg(show(state.failedRunStart)));
            state.failedRunStart.clear();
        }
    }

    checkChain(index, *payload, failedDevice);
    advanceChain(state, text, number);

    if (m_batch->tasks.size() >= size_t(SignaturePool::batchSize)
        || m_batch->problems.size() >= size_t(SignaturePool::batchSize))
        submitBatch();
}

void CheckRun::checkChain(int index, const ReceiptPayload &payload, bool failedDevice)
{
    RegisterState &state = m_registers[size_t(index)];
    const QByteArray &number = payload.receiptNumber;
    const bool first = state.nextChainValue.isEmpty() && state.previousNumber.isEmpty();
    const bool startValue = payload.chainValue == state.startChainValue;
    if (first) {
        state.summary.startsWithStartReceipt = startValue;
        if (startValue) {
            if (!payload.isNullReceipt())
                receiptProblem(index, number, QStringLiteral("Der Startbeleg hat Beträge ungleich 0,00"));
            if (failedDevice)
                receiptProblem(index, number, QStringLiteral("Der Startbeleg ist nicht signiert"));
        }
        checkCounter(index, payload, startValue);
        return;
    }
    if (payload.chainValue != state.nextChainValue) {
        ++state.summary.chainBreaks;
        QString reason;
        for (const auto &[value, earlier] : state.recent) {
            if (!value.isEmpty() && value == payload.chainValue && earlier != state.previousNumber) {
                reason = QStringLiteral("Verkettung unterbrochen: der Verkettungswert gehört zu Beleg %1, nicht zum "
                                        "vorigen Beleg %2 (Reihenfolge vertauscht)")
                             .arg(show(earlier), show(state.previousNumber));
                break;
            }
        }
        if (reason.isEmpty() && startValue)
            reason = QStringLiteral("Verkettung unterbrochen: der Verkettungswert ist der eines Startbelegs, "
                                    "aber Beleg %1 geht voran")
                         .arg(show(state.previousNumber));
        if (reason.isEmpty())
            reason = QStringLiteral("Verkettung unterbrochen: der Verkettungswert passt nicht zum vorigen Beleg %1 "
                                    "(ein Beleg fehlt oder wurde geändert)")
                         .arg(show(state.previousNumber));
        receiptProblem(index, number, reason);
    }
    checkCounter(index, payload, false);
}

void CheckRun::checkCounter(int index, const ReceiptPayload &payload, bool startReceipt)
{
    if (!m_counter)
        return;
    RegisterState &state = m_registers[size_t(index)];
    state.summary.countersChecked = true;
    const QByteArray &number = payload.receiptNumber;
    switch (payload.counterKind()) {
    case ReceiptPayload::CounterKind::Training:
        if (startReceipt)
            receiptProblem(index, number, QStringLiteral("Der Startbeleg ist ein Trainingsbeleg"));
        return; // the total stays
    case ReceiptPayload::CounterKind::Cancellation:
        if (startReceipt)
            receiptProblem(index, number, QStringLiteral("Der Startbeleg ist ein Stornobeleg"));
        if (state.total)
            *state.total += payload.totalInCents();
        return;
    case ReceiptPayload::CounterKind::Encrypted:
        break;
    }
    const std::optional<qint64> value = m_counter->decrypt(payload.registerId, number, payload.turnoverCounter);
    if (!value) {
        receiptProblem(index, number, QStringLiteral("Umsatzzähler ergibt entschlüsselt keinen Betrag "
                                                     "(falscher AES-Schlüssel?)"));
        state.total.reset();
        return;
    }
    if (startReceipt && *value != 0) {
        receiptProblem(index, number, QStringLiteral("Umsatzzähler des Startbelegs ist %1 statt 0,00 "
                                                     "(falscher AES-Schlüssel?)")
                                          .arg(euros(*value)));
    } else if (!startReceipt && state.total && *value != *state.total + payload.totalInCents()) {
        receiptProblem(index, number, QStringLiteral("Umsatzzähler ist %1 statt %2 (vorher %3, Beträge %4)")
                                          .arg(euros(*value), euros(*state.total + payload.totalInCents()),
                                               euros(*state.total), euros(payload.totalInCents())));
    }
    state.total = value;
}

void CheckRun::submitBatch()
{
    if (m_batch->tasks.empty() && m_batch->problems.empty())
        return;
    m_pool.submit(std::move(m_batch));
    m_batch = std::make_unique<ReceiptBatch>();
}

void CheckRun::finish()
{
    if (m_position == 0 && !m_fileFailed)
        addProblem(-1, {0, m_group, {}, {}, QStringLiteral("Die Datei enthält keinen Beleg"), false,
                        Dep7Problem::Scope::File});
    for (RegisterState &state : m_registers) {
        if (!state.failedRunStart.isEmpty())
            addProblem(int(&state - m_registers.data()),
                       {m_position, m_group, state.summary.registerId, state.summary.lastNumber,
                        QStringLiteral("Die Sicherheitseinrichtung ist seit Beleg %1 bis zum Ende der Datei "
                                       "ausgefallen; der signierte Nullbeleg fehlt noch")
                            .arg(show(state.failedRunStart)),
                        false});
    }
    submitBatch();
    m_pool.finish();
    for (RegisterState &state : m_registers)
        m_result.registers.push_back(state.summary);
}

void CheckRun::count(const PendingProblem &pending)
{
    const Dep7Problem &problem = pending.problem;
    if (problem.error) {
        ++m_result.errors;
        if (pending.registerIndex >= 0)
            ++m_registers[size_t(pending.registerIndex)].summary.errors;
    } else {
        ++m_result.notes;
    }
    if (m_result.firstProblems.size() < Dep7CheckResult::maxListedProblems)
        m_result.firstProblems.push_back(problem);
    if (m_listener)
        m_listener(problem);
}

// Runs on the reading thread, batch after batch in file order: the
// signature findings go in among the others by position, after the
// receipt's other findings.
void CheckRun::merge(ReceiptBatch &batch)
{
    size_t next = 0;
    for (size_t i = 0; i < batch.tasks.size(); ++i) {
        const SignatureTask &task = batch.tasks[i];
        if (task.outcome == SignatureTask::Outcome::Valid)
            continue;
        while (next < batch.problems.size() && batch.problems[next].problem.position <= task.position)
            count(batch.problems[next++]);
        const int index = batch.taskRegisters[i];
        const QString reason = task.outcome == SignatureTask::Outcome::Malformed
                                   ? QStringLiteral("Signatur ist kein Base64url-Text von 64 Bytes")
                                   : QStringLiteral("Signatur ungültig");
        count({{task.position, batch.taskGroups[i], m_registers[size_t(index)].summary.registerId,
                batch.taskNumbers[i], reason},
               index});
    }
    while (next < batch.problems.size())
        count(batch.problems[next++]);
}

} // namespace

Dep7Check::Dep7Check(Dep7CheckOptions options) : m_options(std::move(options))
{
    if (m_options.aesKey)
        TurnoverCounter check(*m_options.aesKey); // throws on a wrong key size
}

Dep7CheckResult Dep7Check::run(const QString &fileName, const ProblemListener &listener) const
{
    Dep7CheckResult result;
    result.fileName = fileName;
    CheckRun run(m_options, result, listener);
    try {
        Dep7Reader::read(fileName, run);
    } catch (const Error &error) {
        run.fileFailed(error.message());
    }
    run.finish();
    return result;
}

QString Dep7Problem::text() const
{
    QString where;
    if (scope == Scope::File)
        where = QStringLiteral("Datei");
    else if (scope == Scope::Group)
        where = QStringLiteral("Gruppe %1").arg(group);
    else if (!receiptNumber.isEmpty())
        where = QStringLiteral("Beleg %1 (Kasse %2, Gruppe %3)").arg(show(receiptNumber), show(registerId)).arg(group);
    else if (!registerId.isEmpty())
        where = QStringLiteral("Beleg an Stelle %1 (Kasse %2, Gruppe %3)").arg(position).arg(show(registerId)).arg(group);
    else
        where = QStringLiteral("Beleg an Stelle %1 (Gruppe %2)").arg(position).arg(group);
    return QStringLiteral("%1%2: %3").arg(error ? QString() : QStringLiteral("Hinweis: "), where, reason);
}

QString Dep7CheckResult::text() const
{
    QString out = QStringLiteral("Prüfung von %1\n").arg(fileName);
    out += QStringLiteral("%1 Belege in %2 Gruppen\n").arg(receipts).arg(groups);
    for (const Dep7RegisterSummary &r : registers) {
        out += QStringLiteral("Kasse %1\n").arg(show(r.registerId));
        out += QStringLiteral("  Belege: %1 in %2 Gruppen\n").arg(r.receipts).arg(r.groups);
        out += QStringLiteral("  erster Beleg: %1 vom %2\n").arg(show(r.firstNumber), show(r.firstDateTime));
        out += QStringLiteral("  letzter Beleg: %1 vom %2\n").arg(show(r.lastNumber), show(r.lastDateTime));
        out += QStringLiteral("  signiert: %1, Training: %2, Storno: %3, Sicherheitseinrichtung ausgefallen: %4\n")
                   .arg(r.signedReceipts).arg(r.training).arg(r.cancellation).arg(r.failedDevice);
        QString chain;
        if (r.chainBreaks > 0)
            chain = QStringLiteral("unterbrochen an %1 Stellen").arg(r.chainBreaks);
        else if (r.startsWithStartReceipt)
            chain = QStringLiteral("vollständig ab dem Startbeleg");
        else
            chain = QStringLiteral("vollständig ab Beleg %1 (Anfang der Kette ungeprüft übernommen)").arg(show(r.firstNumber));
        out += QStringLiteral("  Kette: %1\n").arg(chain);
        out += QStringLiteral("  Umsatzzähler: %1\n")
                   .arg(r.countersChecked ? QStringLiteral("geprüft") : QStringLiteral("nicht geprüft (ohne --aes-key)"));
        out += QStringLiteral("  Fehler: %1\n").arg(r.errors);
    }
    if (!firstProblems.empty()) {
        const qint64 all = errors + notes;
        out += qint64(firstProblems.size()) < all
                   ? QStringLiteral("Die ersten %1 von %2 Befunden:\n").arg(firstProblems.size()).arg(all)
                   : QStringLiteral("Befunde:\n");
        for (const Dep7Problem &problem : firstProblems)
            out += QStringLiteral("  %1\n").arg(problem.text());
    }
    out += passed() ? QStringLiteral("Prüfung bestanden.") : QStringLiteral("Prüfung nicht bestanden: %1 Fehler.").arg(errors);
    return out;
}

} // namespace rksv
