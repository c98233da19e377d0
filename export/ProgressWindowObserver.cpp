#include "ProgressWindowObserver.h"

#include "TCustomExportComponent.h"
#include "TfrmExportProcess.h"

#include <QApplication>
#include <QPushButton>

ProgressWindowObserver::ProgressWindowObserver() = default;

ProgressWindowObserver::~ProgressWindowObserver()
{
    setBusy(false);
}

TfrmExportProcess *ProgressWindowObserver::windowOf(const TCustomExportComponent &component)
{
    const auto *observer = dynamic_cast<const ProgressWindowObserver *>(component.progressObserver());
    return observer ? observer->window() : nullptr;
}

bool ProgressWindowObserver::open(const Start &start)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return false;
    m_window = std::make_unique<TfrmExportProcess>();
    m_window->setWindowTitle(start.caption);
    m_window->btnCancel->setText(start.cancelText);
    m_window->setRange(0, start.maximum);
    m_window->setStatus(start.status);
    m_window->showPainted();
    return true;
}

void ProgressWindowObserver::update(const QString &text, qint64 position, bool force)
{
    if (m_window)
        m_window->updateProgress(text, position, force);
}

void ProgressWindowObserver::hide()
{
    if (m_window)
        m_window->hide();
}

void ProgressWindowObserver::close()
{
    m_window.reset();
}

bool ProgressWindowObserver::canceled() const
{
    return m_window && m_window->canceled();
}

void ProgressWindowObserver::cancel()
{
    if (m_window)
        m_window->cancel();
}

void ProgressWindowObserver::clearCanceled()
{
    if (m_window)
        m_window->clearCanceled();
}

void ProgressWindowObserver::setBusy(bool busy)
{
    if (busy && !m_waitCursor && qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
        m_waitCursor = true;
    } else if (!busy && m_waitCursor) {
        QGuiApplication::restoreOverrideCursor();
        m_waitCursor = false;
    }
}
