#include "TCustomExportComponent.h"

#include "ExportLanguage.h"
#include "MessageBox.h"
#include "ShellOpener.h"
#include "TfrmExportProcess.h"

#include <QApplication>
#include <QPushButton>

TCustomExportComponent::TCustomExportComponent() = default;

TCustomExportComponent::~TCustomExportComponent()
{
    endWaitCursor();
}

QString TCustomExportComponent::languageString(int id)
{
    QString text = ExportLanguage::builtIn(id);
    if (onGetLanguageString)
        onGetLanguageString(*this, id, text);
    return text;
}

QString TCustomExportComponent::succeededText(const QString &fileName)
{
    return languageString(ExportLanguage::ExportSucceeded).replace(QLatin1String("%s"), fileName);
}

bool TCustomExportComponent::canceled() const
{
    return m_progress ? m_progress->canceled() : m_canceled;
}

void TCustomExportComponent::cancel()
{
    if (m_progress)
        m_progress->cancel();
    else
        m_canceled = true;
}

void TCustomExportComponent::clearCanceled()
{
    m_canceled = false;
    if (m_progress)
        m_progress->clearCanceled();
}

void TCustomExportComponent::openProgressWindow(qint64 maximum)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance())) {
        showMessageBox(MessageBoxKind::Error, applicationTitle(), ExportLanguage::progressWindowFailed());
        return;
    }
    m_progress = std::make_unique<TfrmExportProcess>();
    m_progress->setWindowTitle(m_keyGenerator);
    m_progress->btnCancel->setText(languageString(ExportLanguage::Cancel));
    m_progress->setRange(0, maximum);
    m_progress->setStatus(languageString(ExportLanguage::Exporting));
    m_progress->showPainted();
}

void TCustomExportComponent::closeProgressWindow()
{
    m_progress.reset();
}

void TCustomExportComponent::hideProgressWindow()
{
    if (m_progress)
        m_progress->hide();
}

void TCustomExportComponent::updateProgress(const QString &text, qint64 n, bool force)
{
    if (!m_progress)
        return;
    if (m_statistic.updateStep > 0 && n % m_statistic.updateStep != 0)
        return;
    m_progress->updateProgress(text, n, force);
}

void TCustomExportComponent::beginWaitCursor()
{
    if (!m_waitCursor && qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_waitCursor = true;
    }
}

void TCustomExportComponent::endWaitCursor()
{
    if (m_waitCursor) {
        QGuiApplication::restoreOverrideCursor();
        m_waitCursor = false;
    }
}

void TCustomExportComponent::showMessage(const QString &text)
{
    if (m_options.contains(soShowMessage))
        showMessageBox(MessageBoxKind::Information, applicationTitle(), text);
}

void TCustomExportComponent::performActionAfterExport(const QString &fileName, bool successShown)
{
    switch (m_actionAfterExport) {
    case aeNone:
        break;
    case aeOpenView:
        // Without a program to open it the file would vanish from sight in
        // silence: name it instead, unless the user was told already.
        if (!ShellOpener::open(fileName) && !successShown)
            showMessageBox(MessageBoxKind::Information, applicationTitle(), succeededText(fileName));
        break;
    case aeEMail:
        // There is no system mail interface to hand the file to here.
        showMessage(ExportLanguage::mailNotAvailable());
        break;
    }
}
