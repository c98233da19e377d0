#include "MessageRecorder.h"
#include "TDirectoryEdit.h"
#include "TSelectDirDlg.h"
#include "WindowsPath.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>

class DirectoryEditTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_drives;
    QString m_driveC;
    QString m_driveD;

    // Runs `inDialog` on the folder dialog once it is open, then clicks the
    // field's button and returns when the dialog has closed.
    void withDialog(TDirectoryEdit &edit, const std::function<void(TSelectDirDlg *)> &inDialog)
    {
        bool seen = false;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<TSelectDirDlg *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = true;
            inDialog(dialog);
            if (dialog->isVisible())
                dialog->reject();
        });
        edit.button()->click();
        QVERIFY(seen);
    }

private slots:
    void initTestCase()
    {
        m_driveC = m_drives.path() + QStringLiteral("/c");
        m_driveD = m_drives.path() + QStringLiteral("/d");
        QVERIFY(QDir().mkpath(m_driveC + QStringLiteral("/VelmarFaktura/Sub")));
        QVERIFY(QDir().mkpath(m_driveD + QStringLiteral("/Kassa")));
        QFile file(m_driveC + QStringLiteral("/VelmarFaktura/VelmarFaktura.mdb"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        qputenv("DEPEXPORT_DRIVE_C", m_driveC.toUtf8());
        qputenv("DEPEXPORT_DRIVE_D", m_driveD.toUtf8());
    }

    void missingFolderOpensAtTheRootAndCancelKeepsTheText()
    {
        TDirectoryEdit edit;
        edit.setText(QStringLiteral("C:\\Tidy-Pos"));
        QString shown;
        withDialog(edit, [&](TSelectDirDlg *dialog) {
            shown = dialog->directory();
            QCOMPARE(dialog->windowTitle(), QStringLiteral("Select Directory"));
            QVERIFY(dialog->helpButton()->isHidden());
            dialog->reject();
        });
        QCOMPARE(shown, m_driveC);
        QCOMPARE(edit.text(), QStringLiteral("C:\\Tidy-Pos"));
    }

    void existingFolderOpensThereWithItsFilesAndSubfolders()
    {
        TDirectoryEdit edit;
        edit.setText(QStringLiteral("C:\\VelmarFaktura"));
        withDialog(edit, [&](TSelectDirDlg *dialog) {
            QCOMPARE(dialog->directory(), m_driveC + QStringLiteral("/VelmarFaktura"));
            QCOMPARE(dialog->fileList()->count(), 1);
            QCOMPARE(dialog->fileList()->item(0)->text(), QStringLiteral("VelmarFaktura.mdb"));
            QListWidget *folders = dialog->folderList();
            QCOMPARE(folders->item(folders->count() - 1)->text().trimmed(), QStringLiteral("Sub"));
            // open the subfolder and confirm it
            emit folders->itemActivated(folders->item(folders->count() - 1));
            QCOMPARE(dialog->directory(), m_driveC + QStringLiteral("/VelmarFaktura/Sub"));
            dialog->accept();
        });
        QCOMPARE(edit.text(), QStringLiteral("C:\\VelmarFaktura\\Sub"));
        QCOMPARE(edit.initialDir(), QStringLiteral("C:\\VelmarFaktura\\Sub"));
    }

    void chosenFolderComesBackUnderItsDrive()
    {
        TDirectoryEdit edit;
        edit.setText(QStringLiteral("C:\\VelmarFaktura"));
        withDialog(edit, [&](TSelectDirDlg *dialog) {
            dialog->nameEdit()->setText(m_driveD + QStringLiteral("/Kassa"));
            dialog->accept();
        });
        QCOMPARE(edit.text(), QStringLiteral("D:\\Kassa"));

        withDialog(edit, [&](TSelectDirDlg *dialog) {
            dialog->nameEdit()->setText(m_driveD);
            dialog->accept();
        });
        QCOMPARE(edit.text(), QStringLiteral("D:\\"));

        // a local text gets a local path back
        edit.setText(m_driveD);
        withDialog(edit, [&](TSelectDirDlg *dialog) {
            dialog->nameEdit()->setText(QStringLiteral("Kassa"));
            dialog->accept();
        });
        QCOMPARE(edit.text(), m_driveD + QStringLiteral("/Kassa"));
    }

    void emptyTextStartsAtInitialDir()
    {
        TDirectoryEdit edit;
        edit.setInitialDir(QStringLiteral("D:\\Kassa"));
        QString shown;
        withDialog(edit, [&](TSelectDirDlg *dialog) { shown = dialog->directory(); });
        QCOMPARE(shown, m_driveD + QStringLiteral("/Kassa"));
        QCOMPARE(edit.text(), QString());
    }

    void missingFolderIsNotAccepted()
    {
        TDirectoryEdit edit;
        edit.setText(QStringLiteral("C:\\VelmarFaktura"));
        bool stillOpen = false;
        withDialog(edit, [&](TSelectDirDlg *dialog) {
            MessageRecorder messages;
            dialog->nameEdit()->setText(QStringLiteral("Nowhere"));
            dialog->accept();
            stillOpen = dialog->isVisible();
        });
        QVERIFY(stillOpen);
        QCOMPARE(edit.text(), QStringLiteral("C:\\VelmarFaktura"));
    }

    void beforeDialogMayCancelAndSelectionIsReplaced()
    {
        TDirectoryEdit edit;
        edit.setText(QStringLiteral("C:\\VelmarFaktura"));
        connect(&edit, &TDirectoryEdit::OnBeforeDialog, this, [](QString &, bool &action) { action = false; });
        edit.button()->click(); // no dialog opens
        QCOMPARE(edit.text(), QStringLiteral("C:\\VelmarFaktura"));
        edit.disconnect(this);

        edit.setMultipleDirs(true);
        edit.setText(QStringLiteral("C:\\VelmarFaktura;D:\\Kassa"));
        edit.setSelection(0, 17); // "C:\VelmarFaktura;"
        withDialog(edit, [&](TSelectDirDlg *dialog) {
            dialog->nameEdit()->setText(m_driveC + QStringLiteral("/VelmarFaktura/Sub"));
            dialog->accept();
        });
        QCOMPARE(edit.text(), QStringLiteral("C:\\VelmarFaktura\\Sub;D:\\Kassa"));
    }

    void fieldPathMapsDriveFolders()
    {
        QCOMPARE(TDirectoryEdit::fieldPath(m_driveC + QStringLiteral("/A/B"), true), QStringLiteral("C:\\A\\B"));
        QCOMPARE(TDirectoryEdit::fieldPath(m_driveC, true), QStringLiteral("C:\\"));
        QCOMPARE(TDirectoryEdit::fieldPath(m_driveC + QStringLiteral("x/y"), true), m_driveC + QStringLiteral("x/y"));
        QCOMPARE(TDirectoryEdit::fieldPath(QStringLiteral("/srv/kassa"), false), QStringLiteral("/srv/kassa"));
    }
};

QTEST_MAIN(DirectoryEditTest)
#include "tst_directoryedit.moc"
