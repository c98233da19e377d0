#include "TCustomExportComponent.h"

#include "ExportLanguage.h"

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

void TCustomExportComponent::setProgressObserver(std::unique_ptr<ExportProgressObserver> observer)
{
    closeProgressWindow();
    endWaitCursor();
    m_progress = std::move(observer);
}

bool TCustomExportComponent::canceled() const
{
    return m_progressOpen ? m_progress->canceled() : m_canceled;
}

void TCustomExportComponent::cancel()
{
    if (m_progressOpen)
        m_progress->cancel();
    else
        m_canceled = true;
}

void TCustomExportComponent::clearCanceled()
{
    m_canceled = false;
    if (m_progressOpen)
        m_progress->clearCanceled();
}

void TCustomExportComponent::openProgressWindow(qint64 maximum)
{
    closeProgressWindow();
    if (!m_progress)
        return;
    const ExportProgressObserver::Start start{m_keyGenerator, languageString(ExportLanguage::Cancel),
                                              languageString(ExportLanguage::Exporting), maximum};
    m_progressOpen = m_progress->open(start);
    if (!m_progressOpen)
        message(MessageBoxKind::Error, ExportLanguage::progressWindowFailed());
}

void TCustomExportComponent::closeProgressWindow()
{
    if (m_progressOpen)
        m_progress->close();
    m_progressOpen = false;
}

void TCustomExportComponent::hideProgressWindow()
{
    if (m_progressOpen)
        m_progress->hide();
}

void TCustomExportComponent::updateProgress(const QString &text, qint64 n, bool force)
{
    if (!m_progressOpen)
        return;
    if (m_statistic.updateStep > 0 && n % m_statistic.updateStep != 0)
        return;
    m_progress->update(text, n, force);
}

void TCustomExportComponent::beginWaitCursor()
{
    if (!m_waitCursor && m_progress) {
        m_progress->setBusy(true);
        m_waitCursor = true;
    }
}

void TCustomExportComponent::endWaitCursor()
{
    if (m_waitCursor) {
        m_progress->setBusy(false);
        m_waitCursor = false;
    }
}

void TCustomExportComponent::message(MessageBoxKind kind, const QString &text)
{
    if (m_messages)
        m_messages->message(kind, text);
}

void TCustomExportComponent::showMessage(const QString &text)
{
    if (m_options.contains(soShowMessage))
        message(MessageBoxKind::Information, text);
}

void TCustomExportComponent::performActionAfterExport(const QString &fileName, bool successShown)
{
    switch (m_actionAfterExport) {
    case aeNone:
        break;
    case aeOpenView:
        // Without a program to open it the file would vanish from sight in
        // silence: name it instead, unless the user was told already.
        if ((!m_messages || !m_messages->openFile(fileName)) && !successShown)
            message(MessageBoxKind::Information, succeededText(fileName));
        break;
    case aeEMail:
        // There is no system mail interface to hand the file to here.
        showMessage(ExportLanguage::mailNotAvailable());
        break;
    }
}
