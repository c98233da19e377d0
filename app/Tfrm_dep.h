#pragma once

#include "Dep7Export.h"
#include "ExportOutcome.h"
#include "ExportSession.h"

#include <QStringList>
#include <QWidget>

#include <optional>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;
class TDateEdit;
class TDirectoryEdit;
class TFormStorage;
class TRadioGroup;

// The main window, frm_dep: the program variant, the database location, the
// reporting period and the three export buttons. The database connection,
// the queries and the export components are those of the window's
// ExportSession, which runs what the buttons ask for; the window shows
// the run's messages in message boxes as they come.
//
// The components are public and named as in the window's design (each
// widget's objectName is its member name); they are declared and created in
// the design's order. Each button runs its whole operation in its click
// handler; a failure the operation does not handle itself ends it in the
// general error box, and the window stays as it was.
class Tfrm_dep : public QWidget
{
    Q_OBJECT

    // First, so that the names of its parts below refer to made objects.
    ExportSession m_session;

public:
    explicit Tfrm_dep(QWidget *parent = nullptr);
    ~Tfrm_dep() override;

    TFormStorage *FormStorage1;
    db::TADOConnection &Datenbank_Verbindung = m_session.connection;
    db::TADOQuery &qry_dep_shop = m_session.dep131Shop;
    TRadioGroup *rg_version;
    QFrame *Panel1;
    QPushButton *btn_dep131_export;
    TExportToText &ex_dep_export = m_session.dep131Export;
    QPushButton *btn_dep7_export;
    db::TADOQuery &qry_dep_gastro = m_session.dep131Gastro;
    db::TADOQuery &qry_tagesabrechnung_details_dep_shop = m_session.dep7Shop;
    db::TADOQuery &qry_tagesabrechnung_details_dep_gastro = m_session.dep7Gastro;
    QPushButton *btn_log_export;
    TExportToText &ex_log_export = m_session.logExport;
    db::TADOQuery &qry_log = m_session.log;
    QFrame *Panel2;
    QLabel *lbl_zeitraumvon;
    TDateEdit *ed_vondatum;
    TDateEdit *ed_bisdatum;
    QLabel *lbl_zeitraumbis;
    QFrame *pnl_access;
    QLabel *Label1;
    TDirectoryEdit *ed_datenbank;
    QLabel *Label2;
    QLineEdit *ed_passwort;
    QFrame *Panel3;
    QLabel *Label3;
    QLabel *Label4;
    QLabel *Label5;
    QLineEdit *ed_servername;

    // Fills in the reporting period (today minus 365 days to today) and,
    // when the field is empty, the default password. Runs on every show,
    // after the stored settings are back in place.
    void FormShow();
    // Sets the folder field to the default folder of the chosen variant.
    void rg_versionClick();
    // The three buttons: each runs its export, whose outcome the user has
    // been told already. The DEP 7 button then checks the file written and
    // speaks up only when it would not pass (Dep7ExportReview).
    void btn_dep131_exportClick();
    void btn_dep7_exportClick();
    void btn_log_exportClick();
    // The three exports of the fields as they stand, each telling how it
    // ended. A failure an export does not handle itself is shown in the
    // general error box and reported as its outcome; the window stays as it
    // was.
    ExportOutcome exportDep131();
    ExportOutcome exportLog();
    // The DEP 7 export of the button; with a register number only that
    // register's receipts, in the order the register chained them, into a
    // file of their own (DEPExport<from>-<to>_Kassa<N>.json).
    ExportOutcome exportDep7(std::optional<int> cashRegister = std::nullopt);
    // The DEP 7 export once for each register with receipts in the period,
    // as exportDep7(N) does; with `announce`, naming the folder once. The
    // local names of the files written go to `written`, in register order.
    ExportOutcome exportDep7PerRegister(QStringList &written, bool announce = true);
    // What the DEP 7 export reads from the fields as they stand now.
    Dep7Request dep7Request(std::optional<int> cashRegister) const;
    // The request of an export as the fields stand now.
    ExportRequest request(ExportKind kind, std::optional<int> cashRegister = std::nullopt) const;

protected:
    // Comes after the event filters of the window, so the settings
    // component has restored its values when FormShow runs.
    void showEvent(QShowEvent *event) override;

private:
    // Runs the request, its messages shown in message boxes as they come.
    ExportOutcome run(const ExportRequest &request);
};
