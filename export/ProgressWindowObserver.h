#pragma once

#include "ExportProgressObserver.h"

#include <memory>

class TCustomExportComponent;
class TfrmExportProcess;

// The desktop's progress of an export: the progress window (TfrmExportProcess)
// while the run lasts, its cancel button as the cancel flag, and the wait
// cursor. Without a GUI application there is no window to make, and open()
// says so.
//
//     exporter.setProgressObserver(std::make_unique<ProgressWindowObserver>());
class ProgressWindowObserver : public ExportProgressObserver
{
public:
    ProgressWindowObserver();
    ~ProgressWindowObserver() override;

    // The window while a run shows it, else nullptr.
    TfrmExportProcess *window() const { return m_window.get(); }
    // The progress window of `component`'s run, when its observer is one of
    // these and shows one, else nullptr.
    static TfrmExportProcess *windowOf(const TCustomExportComponent &component);

    bool open(const Start &start) override;
    void update(const QString &text, qint64 position, bool force) override;
    void hide() override;
    void close() override;
    bool canceled() const override;
    void cancel() override;
    void clearCanceled() override;
    void setBusy(bool busy) override;

private:
    std::unique_ptr<TfrmExportProcess> m_window;
    bool m_waitCursor = false;
};
