#include "TfrmExportProcess.h"

#include "FileCopyAnimation.h"
#include "FormatSettings.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QThread>
#include <QWindow>

#include <algorithm>
#include <limits>

namespace {

constexpr int clientWidth = 442;
constexpr int clientHeight = 87;
// How long a new window may take to be exposed before it is painted anyway.
constexpr qint64 exposeWaitMs = 250;

int clampToInt(qint64 value)
{
    return static_cast<int>(std::clamp<qint64>(value, 0, std::numeric_limits<int>::max()));
}

} // namespace

TfrmExportProcess::TfrmExportProcess(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
    , pnlFrame(new QFrame(this))
    , Animate(new FileCopyAnimation(this))
    , lblStatus(new QLabel(this))
    , ProgressBar(new QProgressBar(this))
    , btnCancel(new QPushButton(this))
{
    setObjectName(QStringLiteral("frmExportProcess"));
    setFixedSize(clientWidth, clientHeight);
    setWindowModality(Qt::ApplicationModal);

    pnlFrame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    pnlFrame->setGeometry(0, 0, clientWidth, clientHeight);
    pnlFrame->lower();

    Animate->setGeometry(8, 4, 427, 45);

    lblStatus->setObjectName(QStringLiteral("lblStatus"));
    lblStatus->setGeometry(8, 56, 339, 13);
    lblStatus->setTextFormat(Qt::PlainText);

    ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
    ProgressBar->setGeometry(10, 70, 337, 10);
    ProgressBar->setTextVisible(false);
    setRange(0, 0);

    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(355, 55, 75, 25);
    btnCancel->setAutoDefault(false);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmExportProcess::cancel);

    centreOnScreen();
}

TfrmExportProcess::~TfrmExportProcess() = default;

void TfrmExportProcess::centreOnScreen()
{
    if (const QScreen *s = screen())
        move(s->availableGeometry().center() - QPoint(clientWidth / 2, clientHeight / 2));
}

void TfrmExportProcess::setRange(qint64 minimum, qint64 maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
    ProgressBar->setRange(clampToInt(minimum), clampToInt(maximum));
    ProgressBar->setVisible(!(minimum == 0 && maximum == 0));
}

void TfrmExportProcess::setStatus(const QString &text)
{
    m_status = text;
    emit statusChanged(m_status);
    lblStatus->setText(m_status);
}

void TfrmExportProcess::updateProgress(const QString &text, qint64 position, bool force)
{
    // The text is composed in place: no allocation once the string has grown.
    m_status.resize(0);
    m_status += text;
    m_status += QLatin1String(" (");
    TextFormat::appendNumber(m_status, position);
    m_status += u'/';
    TextFormat::appendNumber(m_status, m_maximum);
    m_status += u')';
    m_position = position;
    emit statusChanged(m_status);
    if (force || !m_sinceRepaint.isValid() || m_sinceRepaint.elapsed() >= repaintIntervalMs)
        refresh();
}

void TfrmExportProcess::refresh()
{
    lblStatus->setText(m_status);
    ProgressBar->setValue(clampToInt(std::clamp(m_position, m_minimum, std::max(m_minimum, m_maximum))));
    if (isVisible())
        repaint();
    QCoreApplication::processEvents();
    m_sinceRepaint.start();
}

void TfrmExportProcess::showPainted()
{
    ensurePolished();
    show();
    // The window system maps the window at once but asks for its contents
    // only with the expose that follows; until it is painted the screen
    // shows what lies behind it. Wait for that expose, briefly, and paint.
    QElapsedTimer waited;
    waited.start();
    while (windowHandle() && !windowHandle()->isExposed() && waited.elapsed() < exposeWaitMs) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(1);
    }
    refresh();
}

void TfrmExportProcess::cancel()
{
    m_canceled = true;
}

void TfrmExportProcess::reject()
{
    // Escape: the same as the cancel button. The window stays until the run ends.
    btnCancel->click();
}

void TfrmExportProcess::closeEvent(QCloseEvent *event)
{
    cancel();
    event->ignore();
}

void TfrmExportProcess::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    Animate->start();
}

void TfrmExportProcess::hideEvent(QHideEvent *event)
{
    Animate->stop();
    QDialog::hideEvent(event);
}
