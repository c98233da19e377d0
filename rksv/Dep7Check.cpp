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

#include <QFileInfo>
#include <QHash>

#include <openssl/err.h>
#include <openssl/x509_vfy.h>

#include <QLocale>

#include <algorithm>
#include <array>
#include <cctype>
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

QString number(qint64 value)
{
    return QLocale(QLocale::German, QLocale::Germany).toString(value);
}

// "1 Gruppe", "3 Gruppen"
QString counted(qint64 count, const char *one, const char *many)
{
    return QStringLiteral("%1 %2").arg(number(count), QString::fromUtf8(count == 1 ? one : many));
}

// Certificate serials are shown in one form: hexadecimal in upper case.
QString serialText(QByteArrayView serial)
{
    const bool hex = std::all_of(serial.begin(), serial.end(), [](char c) { return std::isxdigit(uchar(c)); });
    return show(hex ? serial.toByteArray().toUpper() : serial.toByteArray());
}

QString chainStartNote(const Dep7RegisterSummary &summary)
{
    return QStringLiteral("Kette beginnt bei Beleg %1; der Anfang wurde nicht geprüft").arg(show(summary.firstNumber));
}

// Certificates loaded and kept for the groups that come; a file rarely has
// more than a few.
constexpr size_t maxCachedCertificates = 64;

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

// A run of receipts that chain to each other, in file order: the runs
// put together by their chain values give the chain's first and last
// receipt whatever the file's order.
struct ChainRun
{
    QByteArray firstNumber, firstDateTime, firstChainValue;
    QByteArray lastNumber, lastDateTime, chainValueAfter;
};

// A receipt the chain may point back to.
struct RecentReceipt
{
    QByteArray chainValueAfter;
    QByteArray number;
    std::optional<qint64> totalAfter;
};

// A register's state along its chain.
struct RegisterState
{
    Dep7RegisterSummary summary;
    QByteArray startChainValue; // the start receipt's, from the register ID
    QByteArray nextChainValue; // what the next receipt must carry; empty before the first
    QByteArray previousNumber;
    bool previousUnreadable = false;
    // The last few receipts, to tell a swapped order from a missing receipt.
    std::array<RecentReceipt, 8> recent;
    size_t recentNext = 0;
    QByteArray lastDateTime;
    std::optional<qint64> total;
    QByteArray failedRunStart; // receipt number; empty while the device works
    int lastGroup = 0;
    ReceiptNumberSet numbers;
    std::vector<ChainRun> runs; // at most maxChainRuns
    bool tooManyRuns = false;

    static constexpr size_t maxChainRuns = 64;
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

    void groupStarts(const Dep7GroupHeader &group) override;
    void receipt(QByteArrayView text) override
    {
        checkReceipt(text);
        submitWhenFull();
    }
    void groupEnds() override
    {
        flushGroupProblems(-1);
        submitWhenFull();
    }
    void progress(qint64 bytesRead) override
    {
        if (m_options.progress)
            m_options.progress(bytesRead, m_fileSize);
    }
    void setFileSize(qint64 size) { m_fileSize = size; }

    void fileFailed(const QString &reason)
    {
        flushGroupProblems(-1);
        addProblem(-1, {m_position + 1, m_group, {}, {}, reason, true, Dep7Problem::Scope::File, Dep7Problem::Kind::File});
        m_fileFailed = true;
    }
    void finish();

private:
    using Kind = Dep7Problem::Kind;

    void addProblem(int registerIndex, Dep7Problem problem)
    {
        m_batch->problems.push_back({std::move(problem), registerIndex});
    }
    void receiptProblem(int registerIndex, const QByteArray &number, Kind kind, const QString &reason, bool error = true)
    {
        addProblem(registerIndex, {m_position, m_group, registerId(registerIndex), number, reason, error,
                                   Dep7Problem::Scope::Receipt, kind});
    }
    QByteArray registerId(int index) const
    {
        return index >= 0 ? m_registers[size_t(index)].summary.registerId : QByteArray();
    }
    // The open group's findings go in with its first receipt, under that
    // receipt's register.
    void flushGroupProblems(int registerIndex)
    {
        for (Dep7Problem &problem : m_groupProblems) {
            problem.registerId = registerId(registerIndex);
            addProblem(registerIndex, std::move(problem));
        }
        m_groupProblems.clear();
    }
    const GroupCertificate &certificateFor(const Dep7GroupHeader &group);
    GroupCertificate loadCertificate(const Dep7GroupHeader &group);
    void checkReceipt(QByteArrayView text);
    int registerFor(const QByteArray &registerId, const QByteArray &number);
    void advanceChain(RegisterState &state, QByteArrayView text, const QByteArray &number);
    void followRun(RegisterState &state, const ReceiptPayload &payload, bool newRun);
    void checkChain(int index, const ReceiptPayload &payload, bool failedDevice);
    void checkCounter(int index, const ReceiptPayload &payload, bool startReceipt, std::optional<qint64> previous);
    void findChainEnds(RegisterState &state);
    void submitBatch();
    // Whatever a receipt or group gave: a batch holds a bounded number of
    // tasks and findings.
    void submitWhenFull()
    {
        if (m_batch->tasks.size() >= size_t(SignaturePool::batchSize)
            || m_batch->problems.size() >= size_t(SignaturePool::batchSize))
            submitBatch();
    }
    void merge(ReceiptBatch &batch);
    void count(const PendingProblem &pending);
    void tellOverflows();

    const Dep7CheckOptions &m_options;
    Dep7CheckResult &m_result;
    const Dep7Check::ProblemListener &m_listener;
    std::optional<TurnoverCounter> m_counter;
    std::map<QByteArray, GroupCertificate> m_certificates; // by certificate and authority texts
    const GroupCertificate *m_groupCertificate = nullptr;
    std::vector<Dep7Problem> m_groupProblems; // of the open group, before its first receipt
    std::vector<RegisterState> m_registers;
    // Findings per register (-1: none) and kind, with the first one's reason.
    std::map<std::pair<int, Kind>, std::pair<qint64, QString>> m_findingCounts;
    QHash<QByteArray, int> m_registerIndex;
    int m_lastRegister = -1;
    qint64 m_position = 0;
    int m_group = 0;
    bool m_fileFailed = false;
    qint64 m_fileSize = 0;
    std::unique_ptr<ReceiptBatch> m_batch;
    SignaturePool m_pool; // last: its threads stop before the rest goes
};

GroupCertificate CheckRun::loadCertificate(const Dep7GroupHeader &header)
{
    const QByteArray &text = header.certificate;
    const std::vector<QByteArray> &authorities = header.authorities;
    GroupCertificate group;
    if (!header.hasCertificate || text.isEmpty()) {
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

const GroupCertificate &CheckRun::certificateFor(const Dep7GroupHeader &group)
{
    // Keyed by digest: the texts may be long, and a file may have many.
    QByteArray texts = group.certificate;
    for (const QByteArray &authority : group.authorities)
        texts += '\0' + authority;
    const Sha256Digest digest = sha256(texts);
    const QByteArray key(reinterpret_cast<const char *>(digest.data()), qsizetype(digest.size()));
    auto found = m_certificates.find(key);
    if (found == m_certificates.end()) {
        if (m_certificates.size() >= maxCachedCertificates)
            m_certificates.clear();
        found = m_certificates.emplace(key, loadCertificate(group)).first;
    }
    return found->second;
}

void CheckRun::groupStarts(const Dep7GroupHeader &group)
{
    m_group = group.number;
    ++m_result.groups;
    m_groupCertificate = &certificateFor(group);
    const auto groupProblem = [&](const QString &reason) {
        m_groupProblems.push_back({m_position + 1, m_group, {}, {}, reason, true, Dep7Problem::Scope::Group,
                                   Dep7Problem::Kind::Certificate});
    };
    if (!group.hasReceipts)
        groupProblem(QStringLiteral("Die Liste \"Belege-kompakt\" fehlt"));
    for (const QString &failure : m_groupCertificate->failures)
        groupProblem(failure);
}

int CheckRun::registerFor(const QByteArray &registerId, const QByteArray &receiptNumber)
{
    if (const auto found = m_registerIndex.constFind(registerId); found != m_registerIndex.cend())
        return found.value();
    if (m_registers.size() >= Dep7CheckResult::maxRegisters) {
        receiptProblem(-1, receiptNumber, Kind::Registers,
                       QStringLiteral("Die Datei enthält Belege von mehr als %1 Kassen; Beleg der Kasse %2 nicht "
                                      "einzeln geprüft")
                           .arg(number(qint64(Dep7CheckResult::maxRegisters)), show(registerId.left(80))));
        return -1;
    }
    const int index = int(m_registers.size());
    m_registers.emplace_back();
    m_registers.back().summary.registerId = registerId;
    m_registers.back().startChainValue = chainValue(registerId);
    m_registerIndex.insert(registerId, index);
    if (index > 0) {
        receiptProblem(index, receiptNumber, Kind::Registers,
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
    state.recent[state.recentNext] = {state.nextChainValue, number, state.total};
    state.recentNext = (state.recentNext + 1) % state.recent.size();
    if (!state.runs.empty() && !state.tooManyRuns)
        state.runs.back().chainValueAfter = state.nextChainValue;
}

void CheckRun::followRun(RegisterState &state, const ReceiptPayload &payload, bool newRun)
{
    if (state.tooManyRuns)
        return;
    if (newRun) {
        if (state.runs.size() >= RegisterState::maxChainRuns) {
            state.tooManyRuns = true;
            return;
        }
        state.runs.push_back({payload.receiptNumber, payload.dateTime, payload.chainValue, {}, {}, {}});
    }
    state.runs.back().lastNumber = payload.receiptNumber;
    state.runs.back().lastDateTime = payload.dateTime;
}

void CheckRun::checkReceipt(QByteArrayView text)
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
        flushGroupProblems(m_lastRegister);
        receiptProblem(m_lastRegister, {}, Kind::Receipt, unreadable);
        if (m_lastRegister >= 0) {
            RegisterState &state = m_registers[size_t(m_lastRegister)];
            state.total.reset();
            advanceChain(state, text, {});
            state.previousUnreadable = true;
        }
        return;
    }

    const int index = registerFor(payload->registerId, payload->receiptNumber);
    flushGroupProblems(index);
    if (index < 0)
        return;
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
        receiptProblem(index, number, Kind::Header, QStringLiteral("Kopf des Belegs ist nicht {\"alg\":\"ES256\"}"));

    // Group order: the first receipt of the register in a new group.
    const bool newGroup = state.lastGroup != m_group;
    if (newGroup)
        ++summary.groups;

    if (!state.lastDateTime.isEmpty() && payload->dateTime < state.lastDateTime) {
        if (newGroup)
            receiptProblem(index, number, Kind::GroupOrder,
                           QStringLiteral("Gruppe %1 beginnt (%2) vor dem Ende der vorigen Gruppe dieser Kasse "
                                          "(Beleg %3 vom %4): Gruppen nicht in zeitlicher Reihenfolge; DepExport "
                                          "--kassa N exportiert in der Reihenfolge der Kette")
                               .arg(m_group)
                               .arg(show(payload->dateTime), show(state.previousNumber), show(state.lastDateTime)));
        else
            receiptProblem(index, number, Kind::Time,
                           QStringLiteral("Datum %1 liegt vor dem des vorigen Belegs %2 (%3)")
                               .arg(show(payload->dateTime), show(state.previousNumber), show(state.lastDateTime)));
    }
    state.lastDateTime = payload->dateTime;
    state.lastGroup = m_group;

    if (!state.numbers.insert(number))
        receiptProblem(index, number, Kind::Number, QStringLiteral("Belegnummer %1 kommt mehrfach vor").arg(show(number)));

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
            receiptProblem(index, number, Kind::Serial,
                           QStringLiteral("Seriennummer %1 ist nicht die des Signaturzertifikats der Gruppe (%2)")
                               .arg(serialText(payload->certificateSerial),
                                    serialText(m_groupCertificate->certificate->serialHex())));
        if (m_groupCertificate && m_groupCertificate->key >= 0) {
            m_batch->add(m_groupCertificate->key, text, jws->signingInput().size(), m_position);
            m_batch->taskRegisters.push_back(index);
            m_batch->taskGroups.push_back(m_group);
            m_batch->taskNumbers.push_back(number);
        }
        if (!state.failedRunStart.isEmpty()) {
            if (!payload->isNullReceipt())
                receiptProblem(index, number, Kind::FailedDevice,
                               QStringLiteral("Nach dem Ausfall der Sicherheitseinrichtung (ab Beleg %1) folgt kein "
                                              "signierter Nullbeleg")
                                   .arg(show(state.failedRunStart)));
            state.failedRunStart.clear();
        }
    }

    checkChain(index, *payload, failedDevice);
    advanceChain(state, text, number);
}

void CheckRun::checkChain(int index, const ReceiptPayload &payload, bool failedDevice)
{
    RegisterState &state = m_registers[size_t(index)];
    const QByteArray &number = payload.receiptNumber;
    const bool first = state.summary.receipts == 1;
    const bool startValue = payload.chainValue == state.startChainValue;
    if (first) {
        state.summary.startsWithStartReceipt = startValue;
        if (startValue) {
            if (!payload.isNullReceipt())
                receiptProblem(index, number, Kind::StartReceipt, QStringLiteral("Der Startbeleg hat Beträge ungleich 0,00"));
            if (failedDevice)
                receiptProblem(index, number, Kind::StartReceipt, QStringLiteral("Der Startbeleg ist nicht signiert"));
        }
        followRun(state, payload, true);
        checkCounter(index, payload, startValue, std::nullopt);
        return;
    }
    const bool linked = payload.chainValue == state.nextChainValue;
    const bool afterUnreadable = state.previousUnreadable;
    state.previousUnreadable = false;
    followRun(state, payload, !linked);
    if (linked) {
        checkCounter(index, payload, false, state.total);
        return;
    }
    if (afterUnreadable) {
        // The unreadable receipt has its finding; what it was linked to
        // cannot be told, nor the counter before this one.
        checkCounter(index, payload, startValue, std::nullopt);
        return;
    }
    ++state.summary.chainBreaks;
    // The counter goes on from the receipt the chain value points to,
    // when that one is known.
    std::optional<qint64> previous;
    QString reason;
    for (const RecentReceipt &earlier : state.recent) {
        if (!earlier.chainValueAfter.isEmpty() && earlier.chainValueAfter == payload.chainValue
            && earlier.number != state.previousNumber) {
            reason = QStringLiteral("Verkettung unterbrochen: der Verkettungswert gehört zu Beleg %1, nicht zum "
                                    "vorigen Beleg %2 (Reihenfolge vertauscht)")
                         .arg(show(earlier.number), show(state.previousNumber));
            previous = earlier.totalAfter;
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
    receiptProblem(index, number, Kind::Chain, reason);
    checkCounter(index, payload, startValue, previous);
}

void CheckRun::checkCounter(int index, const ReceiptPayload &payload, bool startReceipt, std::optional<qint64> previous)
{
    RegisterState &state = m_registers[size_t(index)];
    if (!m_counter)
        return;
    state.summary.countersChecked = true;
    if (startReceipt)
        previous = 0;
    const QByteArray &number = payload.receiptNumber;
    switch (payload.counterKind()) {
    case ReceiptPayload::CounterKind::Training:
        if (startReceipt)
            receiptProblem(index, number, Kind::StartReceipt, QStringLiteral("Der Startbeleg ist ein Trainingsbeleg"));
        state.total = previous; // the total stays
        return;
    case ReceiptPayload::CounterKind::Cancellation:
        if (startReceipt)
            receiptProblem(index, number, Kind::StartReceipt, QStringLiteral("Der Startbeleg ist ein Stornobeleg"));
        state.total = previous ? std::optional<qint64>(*previous + payload.totalInCents()) : std::nullopt;
        return;
    case ReceiptPayload::CounterKind::Encrypted:
        break;
    }
    const std::optional<qint64> value = m_counter->decrypt(payload.registerId, number, payload.turnoverCounter);
    if (!value) {
        receiptProblem(index, number, Kind::Counter, QStringLiteral("Umsatzzähler ergibt entschlüsselt keinen Betrag "
                                                                    "(falscher AES-Schlüssel?)"));
        state.total.reset();
        return;
    }
    if (startReceipt && *value != 0) {
        receiptProblem(index, number, Kind::Counter, QStringLiteral("Umsatzzähler des Startbelegs ist %1 statt 0,00 "
                                                                    "(falscher AES-Schlüssel?)")
                                                         .arg(euros(*value)));
    } else if (!startReceipt && previous && *value != *previous + payload.totalInCents()) {
        receiptProblem(index, number, Kind::Counter, QStringLiteral("Umsatzzähler ist %1 statt %2 (vorher %3, Beträge %4)")
                                                         .arg(euros(*value), euros(*previous + payload.totalInCents()),
                                                              euros(*previous), euros(payload.totalInCents())));
    }
    state.total = value;
}

// The chain's first and last receipt: the runs of linked receipts put
// together by their chain values. When they do not make one line (a
// receipt missing, too many runs), the file's order stands.
void CheckRun::findChainEnds(RegisterState &state)
{
    Dep7RegisterSummary &summary = state.summary;
    if (state.runs.empty() || state.tooManyRuns)
        return;
    const auto isFirst = [&](const ChainRun &run) {
        if (run.firstChainValue == state.startChainValue)
            return true;
        return std::none_of(state.runs.begin(), state.runs.end(),
                            [&](const ChainRun &other) { return other.chainValueAfter == run.firstChainValue; });
    };
    const auto isLast = [&](const ChainRun &run) {
        return std::none_of(state.runs.begin(), state.runs.end(),
                            [&](const ChainRun &other) { return other.firstChainValue == run.chainValueAfter; });
    };
    const auto firsts = std::count_if(state.runs.begin(), state.runs.end(), isFirst);
    const auto lasts = std::count_if(state.runs.begin(), state.runs.end(), isLast);
    const ChainRun &first = firsts == 1 ? *std::find_if(state.runs.begin(), state.runs.end(), isFirst) : state.runs.front();
    const ChainRun &last = lasts == 1 ? *std::find_if(state.runs.begin(), state.runs.end(), isLast) : state.runs.back();
    summary.firstNumber = first.firstNumber;
    summary.firstDateTime = first.firstDateTime;
    summary.lastNumber = last.lastNumber;
    summary.lastDateTime = last.lastDateTime;
    summary.startsWithStartReceipt = first.firstChainValue == state.startChainValue;
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
    flushGroupProblems(-1);
    if (m_position == 0 && !m_fileFailed) {
        m_result.noReceipts = true;
        addProblem(-1, {0, m_group, {}, {}, QStringLiteral("Die Datei enthält keine Belege"), true,
                        Dep7Problem::Scope::File, Kind::File});
    }
    for (RegisterState &state : m_registers) {
        const int index = int(&state - m_registers.data());
        if (!state.failedRunStart.isEmpty())
            addProblem(index, {m_position, m_group, state.summary.registerId, state.summary.lastNumber,
                               QStringLiteral("Die Sicherheitseinrichtung ist seit Beleg %1 bis zum Ende der Datei "
                                              "ausgefallen; der signierte Nullbeleg fehlt noch")
                                   .arg(show(state.failedRunStart)),
                               false, Dep7Problem::Scope::Receipt, Kind::FailedDevice});
        findChainEnds(state);
        if (!state.summary.startsWithStartReceipt)
            addProblem(index, {m_position, m_group, state.summary.registerId, state.summary.firstNumber,
                               chainStartNote(state.summary), false, Dep7Problem::Scope::Receipt, Kind::ChainStart});
    }
    submitBatch();
    m_pool.finish();
    tellOverflows();
    m_result.trustAnchorsUsed = !m_options.trustAnchors.empty();
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
        else
            ++m_result.unassignedErrors;
    } else {
        ++m_result.notes;
    }
    auto &[seen, firstReason] = m_findingCounts[{pending.registerIndex, problem.kind}];
    if (seen++ == 0)
        firstReason = problem.reason;
    if (seen > Dep7CheckResult::maxFindingsPerKind)
        return;
    // The chain's start is told beside the verdict.
    if (m_result.firstProblems.size() < Dep7CheckResult::maxListedProblems && problem.kind != Kind::ChainStart)
        m_result.firstProblems.push_back(problem);
    if (m_listener)
        m_listener(problem);
}

// What was counted but not kept in full: one finding per register and kind.
void CheckRun::tellOverflows()
{
    for (const auto &[key, counted] : m_findingCounts) {
        const auto &[seen, firstReason] = counted;
        if (seen <= Dep7CheckResult::maxFindingsPerKind)
            continue;
        const Dep7Problem problem{m_position, m_group, registerId(key.first), {},
                                  QStringLiteral("und %1 weitere Befunde dieser Art (wie: %2)")
                                      .arg(number(seen - Dep7CheckResult::maxFindingsPerKind), firstReason),
                                  true, Dep7Problem::Scope::File, Kind::Overflow};
        if (m_result.firstProblems.size() < Dep7CheckResult::maxListedProblems)
            m_result.firstProblems.push_back(problem);
        if (m_listener)
            m_listener(problem);
    }
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
        QString reason;
        switch (task.outcome) {
        case SignatureTask::Outcome::Malformed: reason = QStringLiteral("Signatur ist kein Base64url-Text von 64 Bytes"); break;
        case SignatureTask::Outcome::NotCanonical: reason = QStringLiteral("Signatur nicht in kanonischer Base64url-Form"); break;
        default: reason = QStringLiteral("Signatur ungültig"); break;
        }
        count({{task.position, batch.taskGroups[i], m_registers[size_t(index)].summary.registerId,
                batch.taskNumbers[i], reason, true, Dep7Problem::Scope::Receipt, Kind::Signature},
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
    run.setFileSize(QFileInfo(fileName).size());
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
    if (kind == Kind::Overflow)
        where = registerId.isEmpty() ? QStringLiteral("Datei") : QStringLiteral("Kasse %1").arg(show(registerId));
    else if (scope == Scope::File)
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
    out += QStringLiteral("%1 in %2\n").arg(counted(receipts, "Beleg", "Belege"), counted(groups, "Gruppe", "Gruppen"));
    for (const Dep7RegisterSummary &r : registers) {
        out += QStringLiteral("Kasse %1\n").arg(show(r.registerId));
        out += QStringLiteral("  Belege: %1 in %2\n").arg(number(r.receipts), counted(r.groups, "Gruppe", "Gruppen"));
        out += QStringLiteral("  erster Beleg: %1 vom %2\n").arg(show(r.firstNumber), show(r.firstDateTime));
        out += QStringLiteral("  letzter Beleg: %1 vom %2\n").arg(show(r.lastNumber), show(r.lastDateTime));
        out += QStringLiteral("  signiert: %1, Training: %2, Storno: %3, Sicherheitseinrichtung ausgefallen: %4\n")
                   .arg(number(r.signedReceipts), number(r.training), number(r.cancellation), number(r.failedDevice));
        QString chain;
        if (r.chainBreaks > 0)
            chain = QStringLiteral("unterbrochen an %1").arg(counted(r.chainBreaks, "Stelle", "Stellen"));
        else if (r.startsWithStartReceipt)
            chain = QStringLiteral("vollständig ab dem Startbeleg");
        else
            chain = QStringLiteral("vollständig ab Beleg %1 (Anfang der Kette ungeprüft übernommen)").arg(show(r.firstNumber));
        out += QStringLiteral("  Kette: %1\n").arg(chain);
        out += QStringLiteral("  Umsatzzähler: %1\n")
                   .arg(r.countersChecked ? QStringLiteral("geprüft") : QStringLiteral("nicht geprüft (ohne --aes-key)"));
        out += QStringLiteral("  Zertifikate: %1\n")
                   .arg(trustAnchorsUsed ? QStringLiteral("bis zu den vertrauenswürdigen Zertifikaten geprüft (--trust)")
                                         : QStringLiteral("nur gegen die Zertifizierungsstellen der Datei geprüft "
                                                          "(ohne --trust)"));
        out += QStringLiteral("  Fehler: %1\n").arg(number(r.errors));
    }
    if (unassignedErrors > 0)
        out += QStringLiteral("Fehler ohne Kasse (Datei, Gruppen ohne lesbaren Beleg): %1\n").arg(number(unassignedErrors));
    if (!firstProblems.empty()) {
        // The notes on a chain's start stand beside the verdict.
        const qint64 all = errors + notes
                           - std::count_if(registers.begin(), registers.end(),
                                           [](const Dep7RegisterSummary &r) { return !r.startsWithStartReceipt; });
        out += qint64(firstProblems.size()) < all
                   ? QStringLiteral("Die ersten %1 von %2 Befunden:\n").arg(firstProblems.size()).arg(number(all))
                   : QStringLiteral("Befunde:\n");
        for (const Dep7Problem &problem : firstProblems)
            out += QStringLiteral("  %1\n").arg(problem.text());
    }
    for (const Dep7RegisterSummary &r : registers) {
        if (!r.startsWithStartReceipt)
            out += QStringLiteral("Hinweis: Kasse %1: %2\n").arg(show(r.registerId), chainStartNote(r));
    }
    if (noReceipts && errors == 1)
        out += QStringLiteral("Prüfung nicht bestanden: die Datei enthält keine Belege.");
    else
        out += passed() ? QStringLiteral("Prüfung bestanden.")
                        : QStringLiteral("Prüfung nicht bestanden: %1 Fehler.").arg(number(errors));
    return out;
}

} // namespace rksv
