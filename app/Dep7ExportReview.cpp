#include "Dep7ExportReview.h"

#include "Dep7Export.h"
#include "MessageBox.h"
#include "Tfrm_dep.h"
#include "WindowsPath.h"

#include <QApplication>
#include <QFileInfo>
#include <QProgressDialog>

#include <algorithm>
#include <optional>

namespace Dep7ExportReview {

namespace {

using Kind = rksv::Dep7Problem::Kind;

bool has(const std::vector<Kind> &kinds, Kind kind)
{
    return std::find(kinds.begin(), kinds.end(), kind) != kinds.end();
}

// The reason a verifier would give, in a sentence or two.
QString reason(const rksv::Dep7CheckResult &result, const std::vector<Kind> &kinds)
{
    QStringList sentences;
    if (has(kinds, Kind::Registers))
        sentences << QStringLiteral("Die Datei enthält Belege mehrerer Kassen; Prüfprogramme erwarten eine Kasse je Datei.");
    if (has(kinds, Kind::GroupOrder))
        sentences << QStringLiteral("Eine Gruppe beginnt vor dem Ende der vorigen Gruppe ihrer Kasse; Prüfprogramme "
                                    "erwarten die Gruppen in zeitlicher Reihenfolge.");
    if (sentences.isEmpty() && !result.firstProblems.empty())
        sentences << QStringLiteral("Die Prüfung fand %1 Fehler, zuerst: %2.")
                         .arg(result.errors)
                         .arg(result.firstProblems.front().text());
    return sentences.join(u' ');
}

} // namespace

rksv::Dep7CheckResult check(const QString &localFile, QWidget *parent, std::vector<Kind> &kinds)
{
    rksv::Dep7CheckOptions options;
    std::optional<QProgressDialog> progress;
    if (QFileInfo(localFile).size() >= progressFromBytes) {
        progress.emplace(QStringLiteral("Die DEP-7-Datei wird geprüft ..."), QString(), 0, 1000, parent);
        progress->setWindowTitle(applicationTitle());
        progress->setCancelButton(nullptr);
        progress->setWindowModality(Qt::WindowModal);
        progress->setMinimumDuration(0);
        progress->setValue(0);
        options.progress = [&progress](qint64 bytesRead, qint64 fileSize) {
            if (fileSize > 0)
                progress->setValue(int(std::min<qint64>(1000, bytesRead * 1000 / fileSize)));
            QApplication::processEvents();
        };
    }
    const rksv::Dep7Check checker(std::move(options));
    return checker.run(localFile, [&kinds](const rksv::Dep7Problem &problem) {
        if (problem.error && !has(kinds, problem.kind))
            kinds.push_back(problem.kind);
    });
}

QString question(const QString &fileName, const rksv::Dep7CheckResult &result, const std::vector<Kind> &kinds)
{
    return QStringLiteral("Die Datei %1 würde eine Prüfung nicht bestehen. %2\r\n\r\n"
                          "Geprüft wurden Signaturen, Verkettung und Reihenfolge der Belege; Umsatzzähler und "
                          "Vertrauensanker der Zertifikate nicht (AES-Schlüssel und Vertrauensanker sind hier nicht "
                          "bekannt).\r\n\r\n"
                          "Soll jede Kasse in eine eigene Datei exportiert werden?")
        .arg(fileName, reason(result, kinds));
}

void afterExport(Tfrm_dep &window)
{
    const QString file = WindowsPath::toLocal(Dep7Export::fileName(window.dep7Request(std::nullopt)));
    std::vector<Kind> kinds;
    const rksv::Dep7CheckResult result = check(file, &window, kinds);
    if (result.passed() || !askYesNo(question(QFileInfo(file).fileName(), result, kinds)))
        return;

    QStringList written;
    if (window.exportDep7PerRegister(written, false) != ExportOutcome::Written)
        return;
    QString text = QStringLiteral("Je Kasse eine Exportdatei im Ordner %1:").arg(window.dep7Request(std::nullopt).folder);
    for (const QString &registerFile : std::as_const(written)) {
        std::vector<Kind> registerKinds;
        const rksv::Dep7CheckResult checked = check(registerFile, &window, registerKinds);
        text += QStringLiteral("\r\n%1: %2")
                    .arg(QFileInfo(registerFile).fileName(),
                         checked.passed() ? QStringLiteral("Prüfung bestanden")
                                          : QStringLiteral("Prüfung nicht bestanden (%1 Fehler)").arg(checked.errors));
    }
    showMessage(text);
}

} // namespace Dep7ExportReview
