#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <QString>

class FileCopyAnimation;
class QFrame;
class QLabel;
class QProgressBar;
class QPushButton;

// The progress window of an export run: always on top, centred on the
// screen, shown without blocking the caller, while other windows of the
// program take no input. Clicking "Abbruch", pressing Escape or closing the
// window sets the cancel flag; the run looks at it before every record.
//
// Status updates are cheap: every update composes the status text and the
// position, but the window repaints and lets pending events through at most
// every 50 ms, so a long export is not bound by the window.
class TfrmExportProcess : public QDialog
{
    Q_OBJECT

public:
    static constexpr int repaintIntervalMs = 50;

    explicit TfrmExportProcess(QWidget *parent = nullptr);
    ~TfrmExportProcess() override;

    // The bar's range; the bar is hidden when both are 0.
    void setRange(qint64 minimum, qint64 maximum);
    qint64 maximum() const { return m_maximum; }

    // Shows `text` as it stands.
    void setStatus(const QString &text);
    // The status becomes "text (position/maximum)" and the bar moves to
    // `position`. Repaints when the last repaint is 50 ms ago (or now, with
    // `force`).
    void updateProgress(const QString &text, qint64 position, bool force = false);
    // Repaints the window and processes pending events now.
    void refresh();
    // Shows the window with its contents painted in the first frame the
    // window system puts on the screen, not what lay behind it.
    void showPainted();

    const QString &statusText() const { return m_status; }
    qint64 position() const { return m_position; }

    bool canceled() const { return m_canceled; }
    void cancel();
    void clearCanceled() { m_canceled = false; }

    QFrame *pnlFrame;
    FileCopyAnimation *Animate;
    QLabel *lblStatus;
    QProgressBar *ProgressBar;
    QPushButton *btnCancel;

signals:
    // Every status update, also those that are not painted yet.
    void statusChanged(const QString &text);

protected:
    void reject() override;
    void closeEvent(QCloseEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void centreOnScreen();

    QString m_status;
    qint64 m_minimum = 0;
    qint64 m_maximum = 0;
    qint64 m_position = 0;
    bool m_canceled = false;
    QElapsedTimer m_sinceRepaint;
};
