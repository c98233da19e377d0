#pragma once

#include <QDialog>

class QDialogButtonBox;
class QLineEdit;
class QListWidget;
class QListWidgetItem;
class QPushButton;

// The folder selection dialog "Select Directory": the edit "Directory
// &Name:" with the folder shown, the folder list (the folder's ancestors from
// the root down, then its subfolders; a double click or Enter opens one),
// the file list of the folder, and OK, Cancel and Help. Without a help
// context the Help button is hidden and OK and Cancel move into its place.
//
// It works on local paths. OK returns the folder named in the edit; with the
// default options only an existing folder is accepted.
class TSelectDirDlg : public QDialog
{
    Q_OBJECT

public:
    enum SelectDirOption {
        sdAllowCreate = 0x1,   // a folder that does not exist may be confirmed
        sdPerformCreate = 0x2, // the confirmed folder is created
        sdPrompt = 0x4,        // ask before a missing folder is confirmed
    };
    Q_DECLARE_FLAGS(SelectDirOptions, SelectDirOption)
    Q_FLAG(SelectDirOptions)

    explicit TSelectDirDlg(QWidget *parent = nullptr);

    QString directory() const { return m_directory; }
    void setDirectory(const QString &localPath);
    void setOptions(SelectDirOptions options) { m_options = options; }
    void setHelpContext(int context);

    QLineEdit *nameEdit() const { return m_nameEdit; }
    QListWidget *folderList() const { return m_folderList; }
    QListWidget *fileList() const { return m_fileList; }
    QPushButton *helpButton() const { return m_helpButton; }

    void accept() override;

private:
    void fillLists();
    void openFolderItem(QListWidgetItem *item);
    bool confirmMissingFolder(const QString &path);

    QString m_directory;
    SelectDirOptions m_options;
    QLineEdit *m_nameEdit;
    QListWidget *m_folderList;
    QListWidget *m_fileList;
    QDialogButtonBox *m_buttons;
    QPushButton *m_helpButton;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TSelectDirDlg::SelectDirOptions)
