#include "ExportMessageBox.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>

namespace {

void showMessageBox(ExportMessageBox::Icon icon, const QString &text)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        qWarning("%s", qUtf8Printable(text));
        return;
    }
    QMessageBox box(icon == ExportMessageBox::Icon::Error ? QMessageBox::Critical : QMessageBox::Information,
                    ExportMessageBox::applicationTitle(), text, QMessageBox::Ok);
    box.exec();
}

ExportMessageBox::Shower &installedShower()
{
    static ExportMessageBox::Shower shower = showMessageBox;
    return shower;
}

} // namespace

namespace ExportMessageBox {

void show(Icon icon, const QString &text)
{
    installedShower()(icon, text);
}

void setShower(Shower shower)
{
    installedShower() = shower ? std::move(shower) : Shower(showMessageBox);
}

QString applicationTitle()
{
    QString name = QCoreApplication::instance() ? QFileInfo(QCoreApplication::applicationFilePath()).fileName()
                                                : QString();
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

} // namespace ExportMessageBox
