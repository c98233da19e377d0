#pragma once

// The machine-readable result of checking DEP 7 files, one JSON file for
// a run over any number of files, written as the check goes: every problem
// is written when it is found, so the file holds all of them whatever
// their number.
//
//     {"dateien":[{"datei":"...","befunde":[{"bereich":"Beleg","stelle":17,"gruppe":1,"kasse":"K-1","beleg":"17",
//                  "fehler":true,"grund":"Signatur ungültig"}, ...],
//                  "belege":..,"gruppen":..,"fehler":..,"hinweise":..,"bestanden":false,"fehlerOhneKasse":0,
//                  "zertifikateGegenVertrauensankerGeprueft":false,
//                  "kassen":[{"kasse":"K-1","belege":..,...}]}, ...],
//      "fehler":N,"bestanden":false}
//
// The file goes through AtomicFile: it is in place, complete, only after
// close(); a run that fails or is stopped before leaves an earlier file of
// the name as it was.
//
//     rksv::Dep7ReportFile report(localPath);     // throws IoError
//     report.beginFile(name);
//     check.run(name, [&](const rksv::Dep7Problem &p) { report.problem(p); });
//     report.endFile(result);
//     report.close();                              // throws IoError

#include "Dep7Check.h"

#include <QString>

#include <memory>

namespace rksv {

class Dep7ReportFile
{
public:
    explicit Dep7ReportFile(const QString &fileName);
    ~Dep7ReportFile();
    Dep7ReportFile(const Dep7ReportFile &) = delete;
    Dep7ReportFile &operator=(const Dep7ReportFile &) = delete;

    void beginFile(const QString &checkedFile);
    void problem(const Dep7Problem &problem);
    void endFile(const Dep7CheckResult &result);
    void close();

private:
    struct Output;
    std::unique_ptr<Output> m_output;
    qint64 m_errors = 0;
};

} // namespace rksv
