#pragma once

// The check of a DEP 7 file, receipt by receipt and per register, in one
// pass with bounded memory; the signatures are checked on all cores.
//
// Per receipt: the compact JWS and its payload have their form; the
// signature verifies with the group's certificate (unless the signature
// device was out of order) and the payload names that certificate's
// serial. Per group: it has a certificate and a receipt list, and the
// certificate is issued by one of the group's certification authorities
// and, with trust anchors, leads up to one of them (without them, the
// file's own authorities are all there is, and the result says so). Per
// register: the chain value follows from the previous receipt (the start
// receipt's from the register ID), receipt numbers do not repeat,
// date-times do not go backwards, an "ausgefallen" run ends with a signed
// null receipt, and with the register's AES key each turnover counter is
// the previous one plus the receipt's sums. Besides, what makes an
// auditor's verifier turn a file down although each receipt is sound:
// several registers in one file, a group that starts before the previous
// one ended, a file without receipts. A certificate that comes back in a
// later group is sound: the chain decides the order.
//
// One fault gives one finding: after a break in the chain or an unreadable
// receipt the next receipt's counter is taken as the new start, not
// blamed. Of each kind of finding a register keeps maxFindingsPerKind in
// full; the rest are counted and told in one finding at the end.
//
//     rksv::Dep7Check check({aesKey, anchors});
//     const rksv::Dep7CheckResult result = check.run(fileName);
//     std::puts(result.text().toLocal8Bit());

#include "Certificate.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace rksv {

// One finding.
struct Dep7Problem
{
    // What the finding is about.
    enum class Scope { Receipt, Group, File };
    // Kinds of findings, to bound how many of one kind are kept in full.
    enum class Kind {
        Receipt, Header, Signature, Serial, Certificate, Group, Registers, GroupOrder, Time, Number,
        FailedDevice, StartReceipt, ChainStart, Chain, Counter, File, Overflow
    };

    qint64 position = 0; // the receipt's place in the file, from 1 (a group's: its first receipt's)
    int group = 0;       // from 1
    QByteArray registerId;
    QByteArray receiptNumber; // empty when the receipt is not readable
    QString reason;
    bool error = true; // false: a note that does not fail the check
    Scope scope = Scope::Receipt;
    Kind kind = Kind::Receipt;

    // "Beleg 17 (Kasse K-1, Gruppe 2): Signatur ungültig"
    QString text() const;
};

struct Dep7RegisterSummary
{
    QByteArray registerId;
    qint64 receipts = 0;
    qint64 groups = 0;
    QByteArray firstNumber, firstDateTime, lastNumber, lastDateTime; // in chain order
    qint64 signedReceipts = 0;
    qint64 training = 0;
    qint64 cancellation = 0;
    qint64 failedDevice = 0;
    bool startsWithStartReceipt = false;
    qint64 chainBreaks = 0;
    bool countersChecked = false;
    qint64 errors = 0; // its group's findings included
};

struct Dep7CheckResult
{
    QString fileName;
    qint64 receipts = 0;
    qint64 groups = 0;
    qint64 errors = 0;
    qint64 notes = 0;
    qint64 unassignedErrors = 0; // of no register: the file's, or of a group without receipts
    bool trustAnchorsUsed = false; // false: certificates checked against the file's own authorities only
    bool noReceipts = false;       // the file was read to its end and holds none
    std::vector<Dep7RegisterSummary> registers;
    std::vector<Dep7Problem> firstProblems; // the first maxListedProblems, errors and notes

    bool passed() const { return errors == 0; }
    // The German report: a summary per register, the first problems, and
    // "Prüfung bestanden." or "Prüfung nicht bestanden: N Fehler." last.
    QString text() const;

    static constexpr size_t maxListedProblems = 20;
    // Findings of one kind kept in full per register.
    static constexpr qint64 maxFindingsPerKind = 1000;
    // Registers followed on their own; a file is meant to hold one.
    static constexpr size_t maxRegisters = 1000;
};

struct Dep7CheckOptions
{
    std::optional<QByteArray> aesKey; // 32 bytes: turnover counters are checked
    std::vector<Certificate> trustAnchors;
    int threads = 0; // 0: one per core
    // Called now and then while the file is read.
    std::function<void(qint64 bytesRead, qint64 fileSize)> progress;
};

class Dep7Check
{
public:
    explicit Dep7Check(Dep7CheckOptions options);

    using ProblemListener = std::function<void(const Dep7Problem &)>;

    // Checks the file; every problem kept in full also goes to the
    // listener, in file order, and after them the notes on a register's
    // whole chain and the count of each kind not kept in full. A file that
    // cannot be read or has not the DEP 7 layout gives a result with that
    // error.
    Dep7CheckResult run(const QString &fileName, const ProblemListener &listener = {}) const;

private:
    Dep7CheckOptions m_options;
};

} // namespace rksv
