#include "TSelectDirDlg.h"

#include "MessageBox.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>

namespace {

constexpr int pathRole = Qt::UserRole;

QStringList ancestorsOf(const QString &path)
{
    QStringList chain;
    QDir dir(path);
    chain.prepend(dir.absolutePath());
    while (dir.cdUp())
        chain.prepend(dir.absolutePath());
    return chain;
}

} // namespace

TSelectDirDlg::TSelectDirDlg(QWidget *parent)
    : QDialog(parent), m_nameEdit(new QLineEdit(this)), m_folderList(new QListWidget(this)),
      m_fileList(new QListWidget(this)),
      m_buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this)),
      m_helpButton(m_buttons->button(QDialogButtonBox::Help))
{
    setWindowTitle(QStringLiteral("Select Directory"));
    auto *nameLabel = new QLabel(QStringLiteral("Directory &Name:"), this);
    nameLabel->setBuddy(m_nameEdit);
    m_fileList->setSelectionMode(QAbstractItemView::NoSelection);
    m_fileList->setFocusPolicy(Qt::NoFocus);
    QPalette grey = m_fileList->palette();
    grey.setColor(QPalette::Text, grey.color(QPalette::Disabled, QPalette::Text));
    m_fileList->setPalette(grey);
    m_helpButton->hide();

    auto *layout = new QGridLayout(this);
    layout->addWidget(nameLabel, 0, 0, 1, 2);
    layout->addWidget(m_nameEdit, 1, 0, 1, 2);
    layout->addWidget(m_folderList, 2, 0);
    layout->addWidget(m_fileList, 2, 1);
    layout->addWidget(m_buttons, 3, 0, 1, 2);

    connect(m_buttons, &QDialogButtonBox::accepted, this, &TSelectDirDlg::accept);
    connect(m_buttons, &QDialogButtonBox::rejected, this, &TSelectDirDlg::reject);
    connect(m_folderList, &QListWidget::itemActivated, this, &TSelectDirDlg::openFolderItem);
    resize(420, 300);
}

void TSelectDirDlg::setHelpContext(int context)
{
    m_helpButton->setVisible(context != 0);
}

void TSelectDirDlg::setDirectory(const QString &localPath)
{
    m_directory = QDir::cleanPath(QFileInfo(localPath).absoluteFilePath());
    m_nameEdit->setText(QDir::toNativeSeparators(m_directory));
    fillLists();
}

void TSelectDirDlg::fillLists()
{
    m_folderList->clear();
    m_fileList->clear();
    const QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    const QStringList chain = ancestorsOf(m_directory);
    int depth = 0;
    for (const QString &folder : chain) {
        const QString name = QDir(folder).isRoot() ? QDir::toNativeSeparators(folder) : QFileInfo(folder).fileName();
        auto *item = new QListWidgetItem(openIcon, QString(depth * 2, u' ') + name, m_folderList);
        item->setData(pathRole, folder);
        ++depth;
    }
    m_folderList->setCurrentRow(m_folderList->count() - 1);
    const QDir dir(m_directory);
    for (const QFileInfo &sub : dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::IgnoreCase)) {
        auto *item = new QListWidgetItem(closedIcon, QString(depth * 2, u' ') + sub.fileName(), m_folderList);
        item->setData(pathRole, sub.absoluteFilePath());
    }
    for (const QFileInfo &file : dir.entryInfoList(QDir::Files, QDir::Name | QDir::IgnoreCase))
        m_fileList->addItem(file.fileName());
}

void TSelectDirDlg::openFolderItem(QListWidgetItem *item)
{
    if (item)
        setDirectory(item->data(pathRole).toString());
}

bool TSelectDirDlg::confirmMissingFolder(const QString &path)
{
    if (!(m_options & sdAllowCreate)) {
        showMessageBox(MessageBoxKind::Warning, applicationTitle(),
                       QStringLiteral("Der Ordner '%1' existiert nicht.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    if (m_options & sdPrompt) {
        const auto answer = QMessageBox::question(this, windowTitle(),
                                                  QStringLiteral("The specified directory does not exist. Create it?"));
        if (answer != QMessageBox::Yes)
            return false;
    }
    if ((m_options & sdPerformCreate) && !QDir().mkpath(path)) {
        showMessageBox(MessageBoxKind::Warning, applicationTitle(),
                       QStringLiteral("Der Ordner '%1' kann nicht angelegt werden.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    return true;
}

void TSelectDirDlg::accept()
{
    const QString typed = QDir::fromNativeSeparators(m_nameEdit->text().trimmed());
    if (typed.isEmpty())
        return;
    const QString path = QDir::cleanPath(QDir(m_directory).absoluteFilePath(typed));
    if (!QFileInfo(path).isDir() && !confirmMissingFolder(path))
        return;
    m_directory = path;
    QDialog::accept();
}
