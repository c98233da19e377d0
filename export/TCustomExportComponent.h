#pragma once

#include "ExportMessageSink.h"
#include "ExportProgressObserver.h"
#include "TExportOptions.h"
#include "TExportSendTo.h"
#include "TExportStatistic.h"

#include <QString>

#include <functional>
#include <memory>

// What happens with the finished file: nothing, open it in its associated
// program, or send it by e-mail.
enum TActionAfterExport { aeNone, aeOpenView, aeEMail };

// The run control that every export component shares: options, messages,
// the progress display and its cancel flag, the statistic and the
// after-export action. The progress goes to the observer and the messages
// to the sink handed in; the component needs no window of its own.
class TCustomExportComponent
{
public:
    TCustomExportComponent();
    virtual ~TCustomExportComponent();
    TCustomExportComponent(const TCustomExportComponent &) = delete;
    TCustomExportComponent &operator=(const TCustomExportComponent &) = delete;

    TExportOptions options() const { return m_options; }
    void setOptions(TExportOptions options) { m_options = options; }
    bool animatedStatus() const { return m_animatedStatus; }
    void setAnimatedStatus(bool animated) { m_animatedStatus = animated; }
    // Caption of the progress window, value of the GENERATOR variable.
    const QString &keyGenerator() const { return m_keyGenerator; }
    void setKeyGenerator(const QString &text) { m_keyGenerator = text; }
    TActionAfterExport actionAfterExport() const { return m_actionAfterExport; }
    void setActionAfterExport(TActionAfterExport action) { m_actionAfterExport = action; }

    TExportStatistic &statistic() { return m_statistic; }
    const TExportStatistic &statistic() const { return m_statistic; }
    TExportSendTo &sendTo() { return m_sendTo; }

    // The engine's text of message `id`, after OnGetLanguageString had its say.
    QString languageString(int id);
    // The success message of a run that wrote `fileName`.
    QString succeededText(const QString &fileName);

    // What shows a run's progress and takes the user's cancel; none at first.
    void setProgressObserver(std::unique_ptr<ExportProgressObserver> observer);
    ExportProgressObserver *progressObserver() const { return m_progress.get(); }
    // Where the run's messages go and who opens the finished file; none at
    // first (nothing is said, nothing opened).
    void setMessageSink(std::shared_ptr<ExportMessageSink> sink) { m_messages = std::move(sink); }
    ExportMessageSink *messageSink() const { return m_messages.get(); }

    // The cancel flag: the progress display's while it is open, else our own.
    bool canceled() const;
    void cancel();

    std::function<void(TCustomExportComponent &sender, int id, QString &text)> onGetLanguageString;
    std::function<void(TCustomExportComponent &sender)> onBeforeExecute;
    std::function<void(TCustomExportComponent &sender)> onAfterExecute;
    // Fired for every accepted record before it is written (current value:
    // the records accepted so far) and once at the end; `abort` cancels.
    std::function<void(TCustomExportComponent &sender, qint64 current, qint64 maximum, bool &abort)> onProgress;

protected:
    void clearCanceled();
    // Opens the progress display with a bar from 0 to `maximum`. When it
    // cannot be shown, says so and the run goes on without one; without an
    // observer there is nothing to open.
    void openProgressWindow(qint64 maximum);
    void closeProgressWindow();
    bool progressWindowOpen() const { return m_progressOpen; }
    // "text (n/maximum)" in the progress display, unless n is not a multiple
    // of Statistic.UpdateStep.
    void updateProgress(const QString &text, qint64 n, bool force = false);
    void hideProgressWindow();

    void beginWaitCursor();
    void endWaitCursor();

    // A message to the sink, whatever the options.
    void message(MessageBoxKind kind, const QString &text);
    // A message to the sink, with soShowMessage only.
    void showMessage(const QString &text);
    // Opens the file (or, without an opener, names it when `successShown`
    // says the user has not been told of it yet).
    void performActionAfterExport(const QString &fileName, bool successShown);

private:
    TExportOptions m_options = TExportOptions::defaults();
    bool m_animatedStatus = true;
    QString m_keyGenerator = QStringLiteral("DEP-Export 1.0");
    TActionAfterExport m_actionAfterExport = aeNone;
    TExportStatistic m_statistic;
    TExportSendTo m_sendTo;

    std::unique_ptr<ExportProgressObserver> m_progress;
    bool m_progressOpen = false;
    std::shared_ptr<ExportMessageSink> m_messages;
    bool m_canceled = false;
    bool m_waitCursor = false;
};
