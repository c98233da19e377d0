#pragma once

#include <QString>
#include <QtGlobal>

// What an export run shows of its progress, and how the user stops it. The
// run hands the observer its start, every record's position and its end; the
// observer decides how to show them (a progress window, a bar in the
// terminal, nothing). Passed to TCustomExportComponent::setProgressObserver;
// a component without one shows no progress and keeps its own cancel flag.
//
//     class Dots : public ExportProgressObserver { ... };
//     exporter.setProgressObserver(std::make_unique<Dots>());
//
// All calls come from the thread that runs the export.
class ExportProgressObserver
{
public:
    // What the display of a run that begins shows.
    struct Start
    {
        QString caption;    // the window's title
        QString cancelText; // the caption of the cancel action
        QString status;     // the first status text
        qint64 maximum = 0; // records to come; 0 when unknown
    };

    virtual ~ExportProgressObserver() = default;

    // Shows the progress of a run that begins. False when it cannot be
    // shown; the run then goes on without it.
    virtual bool open(const Start &start) = 0;
    // The status becomes "text (position/maximum)". A display may leave out
    // updates that come quickly after each other, but not a forced one.
    virtual void update(const QString &text, qint64 position, bool force) = 0;
    // Takes the display out of sight, so that a message is not covered.
    virtual void hide() = 0;
    // Ends the display of the run.
    virtual void close() = 0;

    // The user asked the open display to stop the run.
    virtual bool canceled() const = 0;
    virtual void cancel() = 0;
    virtual void clearCanceled() = 0;

    // Shows that the program is busy (a wait cursor) or no longer busy.
    virtual void setBusy(bool busy) = 0;
};
