#pragma once

// What the window does after its DEP 7 export has written the file: it
// checks the file as an auditor's verifier would (signatures, chain and
// order; the window knows neither the register's AES key nor trust
// anchors), with a progress window for large files. A file that passes
// adds nothing. Otherwise one more message names the reason and asks
// whether each register shall be exported into a file of its own; "Ja"
// writes DEPExport<from>-<to>_Kassa<N>.json per register, checks each and
// names the files with their verdicts.
//
//     if (window.exportDep7() == ExportOutcome::Written)
//         Dep7ExportReview::afterExport(window);

#include "Dep7Check.h"

#include <QString>

class QWidget;
class Tfrm_dep;

namespace Dep7ExportReview {

// Files from this size on are checked with a progress window.
inline constexpr qint64 progressFromBytes = 16 * 1024 * 1024;

// Checks the window's DEP 7 file of the fields as they stand and acts on
// the result as above.
void afterExport(Tfrm_dep &window);

// Checks a file as the window does, with a progress window over `parent`
// for a large one; the kinds of findings go to `kinds`.
rksv::Dep7CheckResult check(const QString &localFile, QWidget *parent, std::vector<rksv::Dep7Problem::Kind> &kinds);

// The message for a file that does not pass: the reason in a sentence,
// what was checked, and the question.
QString question(const QString &fileName, const rksv::Dep7CheckResult &result,
                 const std::vector<rksv::Dep7Problem::Kind> &kinds);

} // namespace Dep7ExportReview
