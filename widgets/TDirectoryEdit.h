#pragma once

#include "TCustomComboEdit.h"
#include "TSelectDirDlg.h"

#include <optional>

// The folder field: a one-line edit for a folder path with a button that
// opens a folder dialog. The user may type any text; nothing checks it.
//
// The text is a Windows path ("C:\VelmarFaktura") and stays one: the dialog
// browses the local folder that WindowsPath maps it to, and the chosen
// folder comes back as "X:\..." under the drive whose local folder holds
// it. A local text ("/srv/kassa") gives a local path back.
//
// Button click (also Alt+Down): OnBeforeDialog may change the path or
// cancel; an empty path becomes InitialDir, or "\" when that is empty too; a
// path that is not an existing folder becomes "\", the root of the current
// drive. After the dialog OnAfterDialog sees the chosen folder and whether
// it was confirmed. If confirmed, a selected part of the text is removed;
// the text becomes the chosen folder (with MultipleDirs the chosen folder,
// ";" and the remaining text), and an existing chosen folder becomes the
// new InitialDir. Cancelling leaves the text as it is.
class TDirectoryEdit : public TCustomComboEdit
{
    Q_OBJECT
    Q_PROPERTY(TDirDialogKind DialogKind READ dialogKind WRITE setDialogKind)
    Q_PROPERTY(QString DialogText READ dialogText WRITE setDialogText)
    Q_PROPERTY(QString InitialDir READ initialDir WRITE setInitialDir)
    Q_PROPERTY(bool MultipleDirs READ multipleDirs WRITE setMultipleDirs)
    Q_PROPERTY(bool AcceptFiles READ acceptFiles WRITE setAcceptFiles)
    Q_PROPERTY(int HelpContext READ helpContext WRITE setHelpContext)

public:
    enum TDirDialogKind { dkVCL, dkWin32 };
    Q_ENUM(TDirDialogKind)

    explicit TDirectoryEdit(QWidget *parent = nullptr);

    TDirDialogKind dialogKind() const { return m_dialogKind; }
    void setDialogKind(TDirDialogKind kind) { m_dialogKind = kind; }
    TSelectDirDlg::SelectDirOptions dialogOptions() const { return m_dialogOptions; }
    void setDialogOptions(TSelectDirDlg::SelectDirOptions options) { m_dialogOptions = options; }
    QString dialogText() const { return m_dialogText; }
    void setDialogText(const QString &text) { m_dialogText = text; }
    QString initialDir() const { return m_initialDir; }
    void setInitialDir(const QString &dir) { m_initialDir = dir; }
    bool multipleDirs() const { return m_multipleDirs; }
    void setMultipleDirs(bool multiple) { m_multipleDirs = multiple; }
    bool acceptFiles() const { return m_acceptFiles; }
    void setAcceptFiles(bool accept);
    int helpContext() const { return m_helpContext; }
    void setHelpContext(int context) { m_helpContext = context; }

    void buttonClick() override;

    // The local path in the style of a field text: "X:\..." when
    // `windowsStyle` and the path lies under a drive's local folder.
    static QString fieldPath(const QString &localPath, bool windowsStyle);
    static bool isWindowsPath(const QString &text);

signals:
    void OnBeforeDialog(QString &path, bool &action);
    void OnAfterDialog(QString &path, bool &action);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // Runs the dialog at the local folder; the chosen local folder, or
    // nothing when cancelled.
    std::optional<QString> runDialog(const QString &localStart);
    void takeChosenFolder(const QString &chosen);

    TDirDialogKind m_dialogKind = dkVCL;
    TSelectDirDlg::SelectDirOptions m_dialogOptions;
    QString m_dialogText;
    QString m_initialDir;
    bool m_multipleDirs = false;
    bool m_acceptFiles = false;
    int m_helpContext = 0;
};
