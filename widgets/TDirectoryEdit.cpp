#include "TDirectoryEdit.h"

#include "EditGlyphs.h"
#include "WindowsPath.h"

#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMimeData>

namespace {

bool isLocalFolder(const QString &fieldText)
{
    return !fieldText.isEmpty() && QFileInfo(WindowsPath::toLocal(fieldText)).isDir();
}

} // namespace

TDirectoryEdit::TDirectoryEdit(QWidget *parent) : TCustomComboEdit(parent)
{
    setButtonGlyph(EditGlyphs::directoryEditGlyph());
}

void TDirectoryEdit::setAcceptFiles(bool accept)
{
    m_acceptFiles = accept;
    setAcceptDrops(accept);
}

bool TDirectoryEdit::isWindowsPath(const QString &text)
{
    const bool drive = text.size() >= 2 && text.at(1) == u':' && text.at(0).isLetter() && text.at(0).unicode() < 128;
    return drive || text.startsWith(u'\\');
}

QString TDirectoryEdit::fieldPath(const QString &localPath, bool windowsStyle)
{
    const QString path = QDir::cleanPath(localPath);
    if (!windowsStyle)
        return QDir::toNativeSeparators(path);
    // The drive whose local folder holds the path; the deepest one wins
    // when drive folders lie inside each other.
    QChar bestDrive;
    qsizetype bestLength = -1;
    for (char16_t letter = u'a'; letter <= u'z'; ++letter) {
        const QString root = QDir::cleanPath(WindowsPath::driveRoot(QChar(letter)));
        const bool inside = path == root || path.startsWith(root == u"/" ? root : root + u'/');
        if (inside && root.size() > bestLength) {
            bestDrive = QChar(letter).toUpper();
            bestLength = root.size();
        }
    }
    if (bestLength < 0)
        return path;
    QString rest = path.mid(bestLength);
    if (rest.startsWith(u'/'))
        rest.remove(0, 1);
    rest.replace(u'/', u'\\');
    return QString(bestDrive) + QStringLiteral(":\\") + rest;
}

void TDirectoryEdit::buttonClick()
{
    TCustomComboEdit::buttonClick();
    QString path = text();
    bool action = true;
    emit OnBeforeDialog(path, action);
    if (!action)
        return;
    if (path.isEmpty())
        path = m_initialDir.isEmpty() ? QStringLiteral("\\") : m_initialDir;
    if (!isLocalFolder(path))
        path = QStringLiteral("\\");
    const bool windowsStyle = isWindowsPath(path);
    QString localStart = WindowsPath::toLocal(path);
    if (!QFileInfo(localStart).isDir())
        localStart = QDir::rootPath(); // the drive has no local folder yet

    const std::optional<QString> chosenLocal = runDialog(localStart);
    setFocus(Qt::OtherFocusReason);
    bool confirmed = chosenLocal.has_value();
    QString chosen = confirmed ? fieldPath(*chosenLocal, windowsStyle) : path;
    emit OnAfterDialog(chosen, confirmed);
    if (confirmed)
        takeChosenFolder(chosen);
}

std::optional<QString> TDirectoryEdit::runDialog(const QString &localStart)
{
    if (m_dialogKind == dkWin32) {
        const QString chosen = QFileDialog::getExistingDirectory(this, m_dialogText, localStart);
        if (chosen.isEmpty())
            return std::nullopt;
        return chosen;
    }
    TSelectDirDlg dialog(this);
    dialog.setOptions(m_dialogOptions);
    dialog.setHelpContext(m_helpContext);
    dialog.setDirectory(localStart);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.directory();
}

void TDirectoryEdit::takeChosenFolder(const QString &chosen)
{
    if (hasSelectedText())
        del();
    const QString remaining = text();
    if (!remaining.isEmpty() && m_multipleDirs)
        setText(chosen + u';' + remaining);
    else
        setText(chosen);
    if (isLocalFolder(chosen))
        m_initialDir = chosen;
}

void TDirectoryEdit::dragEnterEvent(QDragEnterEvent *event)
{
    if (m_acceptFiles && event->mimeData()->hasUrls())
        event->acceptProposedAction();
    else
        TCustomComboEdit::dragEnterEvent(event);
}

// A dropped folder sets the text; a dropped file gives its folder.
void TDirectoryEdit::dropEvent(QDropEvent *event)
{
    if (!m_acceptFiles || !event->mimeData()->hasUrls()) {
        TCustomComboEdit::dropEvent(event);
        return;
    }
    const QList<QUrl> urls = event->mimeData()->urls();
    const QString local = urls.isEmpty() ? QString() : urls.first().toLocalFile();
    if (local.isEmpty())
        return;
    const QFileInfo info(local);
    const QString folder = info.isDir() ? info.absoluteFilePath() : info.absolutePath();
    setText(fieldPath(folder, text().isEmpty() || isWindowsPath(text())));
    event->acceptProposedAction();
}
